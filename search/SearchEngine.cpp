// The search engine's window side: reads the view's edit control through its locked buffer, runs
// the plain matcher over it, selects what it found and writes replacements only through the
// view's edit history, so each one can be undone.
#include "search/SearchEngine.h"
#include "document/TessarinDoc.h"
#include "framework/EditView.h"
#include "framework/FrameWnd.h"
#include "framework/ModalScope.h"
#include "framework/Progress.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "search/RegexMatch.h"
#include "search/ReplaceAll.h"
#include "search/SearchHistory.h"
#include "search/TextMatch.h"
#include "view/TessarinView.h"
#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// How Replace All works, for the whole process: set by every request of the Replace dialog from
// its "Notepad-like" box and turned off by every request of the Find dialog.
bool s_fNotepadLike = false;
// Replace All inside the selection only: like s_fNotepadLike, the Replace dialog's box at its last
// request, off after any request of the Find dialog.
bool s_fInSelection = false;
// The fast Replace All's output keeps its storage from run to run; the Notepad-like match list
// is emptied at the start of every run.
CReplaceAllBuffer s_replaceAllOut;
std::deque<MatchRecord> s_matchList;

MatchOptions MatchOptionsOf(const SearchOptions& options) {
    MatchOptions match;
    match.fMatchCase = options.fMatchCase;
    match.fWholeWord = options.fWholeWord;
    match.wordChars = options.strWordChars;
    return match;
}

// The view's notice box: beeps, shows the text with the program's name as caption and gives the
// focus back to the window that had it (the dialog's edit box, when a dialog asked).
void ShowNotice(CTessarinView& view, const std::wstring& strText) {
    HWND hFocus = ::GetFocus();
    ::MessageBeep(0xFFFFFFFF);
    std::wstring strCaption = LoadStringResource(IDS_DISPLAY_NAME);
    {
        // Owned by the main window: the search dialog that asked takes no input meanwhile (a
        // Replace All under the box would change the text behind it).
        CModalScope modal;
        ::MessageBoxW(modal.Owner() ? modal.Owner() : view.m_hWnd, strText.c_str(), strCaption.c_str(),
                      MB_OK | MB_ICONINFORMATION);
    }
    if (hFocus && ::IsWindow(hFocus))
        ::SetFocus(hFocus);
}

// The text of [nStart, nEnd), read where the control keeps it (the whole text locked only for a
// control that cannot hand a stretch out).
std::wstring SelectedText(CTessarinView& view, int nStart, int nEnd) {
    std::wstring_view text;
    if (nEnd > nStart && view.PeekText(nStart, nEnd, text))
        return std::wstring(text);
    CEditBufferLock lock(view);
    if (!lock.Get() || nEnd <= nStart)
        return {};
    return std::wstring(lock.Get() + nStart, static_cast<size_t>(nEnd - nStart));
}

// Find Next's plain search as far as the end of the text that way (no wrap around): over the
// stretch from the selection on, with a few characters of the other side for the whole-word test,
// read where the control keeps it. EM_GETHANDLE would move every character after the control's
// gap, which after a replacement stands at the match: milliseconds a press at 10 MB.
// False when the control cannot hand the stretch out; match is then untouched.
bool FindPlainOneWay(CTessarinView& view, const SearchOptions& options, int nStart, int nEnd, bool fDown,
                     std::optional<SelectionMatch>& match) {
    constexpr int kContext = 16; // more than the matcher looks beyond a candidate
    const int nLength = view.GetTextLength();
    const int nFrom = std::clamp(fDown ? nEnd : nStart, 0, nLength);
    const int nLo = fDown ? std::max(0, nFrom - kContext) : 0;
    const int nHi = fDown ? nLength : std::min(nLength, nFrom + kContext);
    std::wstring_view part;
    if (!view.PeekText(nLo, nHi, part) || part.size() != static_cast<size_t>(nHi - nLo))
        return false;
    const CTextMatcher matcher(options.strFind, MatchOptionsOf(options));
    if (const auto found = matcher.Find(part, static_cast<size_t>(nFrom - nLo), fDown ? part.size() : 0, fDown))
        match = SelectionMatch{TextRange{found->start + static_cast<size_t>(nLo), found->end + static_cast<size_t>(nLo)},
                               false};
    return true;
}

// The compiled pattern of the last regular-expression search, kept while the same pattern and
// case rule are asked for again (F3 repeats a search without compiling it again).
struct CompiledRegex {
    std::wstring strPattern;
    bool fMatchCase = false;
    std::unique_ptr<CRegex> pRegex;
};
CompiledRegex s_compiled;

// The options' pattern compiled, or null after telling the user why it does not compile (where,
// in characters from 1, and PCRE2's reason): such a pattern searches nothing.
CRegex* RegexFor(CTessarinView& view, const SearchOptions& options) {
    if (!s_compiled.pRegex || s_compiled.strPattern != options.strFind || s_compiled.fMatchCase != options.fMatchCase) {
        s_compiled.pRegex.reset();
        auto pRegex = std::make_unique<CRegex>(options.strFind, options.fMatchCase);
        if (!pRegex->IsValid()) {
            ShowNotice(view, RegexErrorText(*pRegex, options.strFind));
            return nullptr;
        }
        s_compiled.strPattern = options.strFind;
        s_compiled.fMatchCase = options.fMatchCase;
        s_compiled.pRegex = std::move(pRegex);
    }
    return s_compiled.pRegex.get();
}

// The replacement template for the compiled pattern, or false after telling the user which
// group reference the pattern cannot fill: nothing is replaced then.
bool ReplacementFor(CTessarinView& view, const CRegex& regex, const SearchOptions& options,
                    CRegexReplacement& replacement) {
    std::wstring strBad;
    if (replacement.Parse(options.strReplace, regex, strBad))
        return true;
    ShowNotice(view, FormatString(IDS_REGEX_BAD_REFERENCE, {strBad}));
    return false;
}

// FindFromSelection with a regular expression. An empty match at the caret is where the last find
// stopped: passing over it lets F3 move on through matches such as "^" or "x*".
RegexStatus FindRegexFromSelection(CRegex& regex, std::wstring_view text, size_t nSelStart, size_t nSelEnd, bool fDown,
                                   bool fWrapAround, const MatchOptions& options,
                                   std::optional<SelectionMatch>& match) {
    TextRange found;
    const size_t nFrom = std::min(fDown ? nSelEnd : nSelStart, text.size());
    RegexStatus status = RegexFind(regex, text, nFrom, fDown ? text.size() : 0, fDown, options, nSelStart == nSelEnd, found);
    if (status == RegexStatus::Found)
        match = SelectionMatch{found, false};
    if (status != RegexStatus::NotFound || !fWrapAround)
        return status;
    status = RegexFind(regex, text, fDown ? 0 : text.size(), fDown ? text.size() : 0, fDown, options, false, found);
    if (status == RegexStatus::Found)
        match = SelectionMatch{found, true};
    return status;
}

void ShowTooComplex(CTessarinView& view) {
    ShowNotice(view, LoadStringResource(IDS_REGEX_TOO_COMPLEX));
}

// The part of the text Replace All works on: all of it, or the selection [nStart, nEnd).
struct ReplaceRange {
    bool bSelection = false;
    size_t nStart = 0;
    size_t nEnd = std::wstring_view::npos;
};

// Puts Replace All's new text (s_replaceAllOut) in as one history step: over the selection, which
// then holds the replaced text, or over the whole text.
void PutReplaceAllOut(CTessarinView& view, const ReplaceRange& range) {
    if (range.bSelection) {
        const auto nStart = static_cast<int>(range.nStart);
        view.SetSel(nStart, static_cast<int>(range.nEnd));
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
        view.SetSel(nStart, nStart + static_cast<int>(s_replaceAllOut.Text().size()));
    } else {
        view.SetSel(0, -1);
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
    }
}

// The view draws nothing while it lasts, and everything once at its end: a run of replacements
// would otherwise scroll, invalidate and set the scroll bars at each one.
class CRedrawOff {
public:
    explicit CRedrawOff(CTessarinView& view) : m_view(view) { m_view.SendMessage(WM_SETREDRAW, FALSE); }
    ~CRedrawOff() { m_view.SendMessage(WM_SETREDRAW, TRUE); }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    CTessarinView& m_view;
};

// Puts the listed matches' replacements in one by one (one history step each), from the last to
// the first so that the positions of those still to come stay valid; a selection then spans the
// replaced text. pSameText, when given, is every match's replacement (the plain search lists none).
// Returns how many were replaced.
size_t PutMatchList(CTessarinView& view, const ReplaceRange& range, const std::wstring* pSameText,
                    CProgress& progress) {
    const size_t nCount = s_matchList.size();
    ptrdiff_t nGrowth = 0; // the selection's end moves by each replacement's change of length
    CRedrawOff redrawOff(view);
    while (!s_matchList.empty()) {
        const MatchRecord& match = s_matchList.back();
        view.SetSel(static_cast<int>(match.start), static_cast<int>(match.end));
        const std::wstring& strText = pSameText ? *pSameText : match.text;
        view.RecordInsertion(strText.c_str(), -1, -1, true);
        nGrowth += static_cast<ptrdiff_t>(strText.size()) - static_cast<ptrdiff_t>(match.end - match.start);
        s_matchList.pop_back();
        progress.Step(IDS_PROGRESS_REPLACING, nCount - s_matchList.size(), nCount);
    }
    if (nCount > 0 && range.bSelection)
        view.SetSel(static_cast<int>(range.nStart), static_cast<int>(static_cast<ptrdiff_t>(range.nEnd) + nGrowth));
    return nCount;
}

// Replace All with a regular expression: as ReplaceAllFast and ReplaceAllNotepadLike below, with
// each match's own replacement text. The pattern sees the whole text (anchors and lookarounds
// look past a selection's edges); only matches wholly inside the range are replaced. Nothing when
// the pattern or the replacement does not compile, or the match limit stopped it (the user was
// told why).
std::optional<size_t> ReplaceAllRegex(CTessarinView& view, const SearchOptions& options, bool fNotepadLike,
                                      const ReplaceRange& range, CProgress& progress) {
    CRegex* pRegex = RegexFor(view, options);
    CRegexReplacement replacement;
    if (!pRegex || !ReplacementFor(view, *pRegex, options, replacement))
        return std::nullopt;
    size_t nCount = 0;
    RegexStatus status;
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return 0;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        if (fNotepadLike)
            status = CollectRegexMatches(*pRegex, replacement, text, MatchOptionsOf(options), s_matchList,
                                         range.nStart, range.nEnd);
        else
            status = BuildRegexReplaceAll(*pRegex, replacement, text, MatchOptionsOf(options), s_replaceAllOut,
                                          nCount, range.nStart, range.nEnd);
    }
    // A pattern stopped by the limits replaces nothing: half a Replace All would be hard to tell
    // from a whole one.
    if (status == RegexStatus::TooComplex) {
        s_matchList.clear();
        s_replaceAllOut.Clear();
        ShowTooComplex(view);
        return std::nullopt;
    }
    if (fNotepadLike)
        return PutMatchList(view, range, nullptr, progress);
    if (nCount > 0)
        PutReplaceAllOut(view, range);
    s_replaceAllOut.Clear();
    return nCount;
}

size_t ReplaceAllFast(CTessarinView& view, const SearchOptions& options, const ReplaceRange& range) {
    size_t nCount = 0;
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return 0;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        nCount = BuildReplaceAll(text, options.strFind, options.strReplace, MatchOptionsOf(options), s_replaceAllOut,
                                 range.nStart, range.nEnd);
    }
    // With no match the text would only be replaced by a copy of itself: that would still add a
    // history step, mark the document modified and lose the selection, for nothing.
    if (nCount > 0)
        PutReplaceAllOut(view, range);
    s_replaceAllOut.Clear();
    return nCount;
}

size_t ReplaceAllNotepadLike(CTessarinView& view, const SearchOptions& options, const ReplaceRange& range,
                             CProgress& progress) {
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return 0;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        CollectMatches(text, options.strFind, MatchOptionsOf(options), s_matchList, range.nStart, range.nEnd);
    }
    return PutMatchList(view, range, &options.strReplace, progress);
}

void ShowStatusMessage(CTessarinDoc& doc, const std::wstring& strText) {
    if (CFrameWnd* pFrame = doc.GetFirstFrame())
        pFrame->SetMessageText(strText);
}

} // namespace

bool ApplySearchRequest(CTessarinDoc& doc, int nAction, const SearchRequest& request) {
    SearchOptions& options = doc.GetSearchOptions();
    options.strFind = request.strFind;
    options.fWholeWord = request.fWholeWord;
    options.fMatchCase = request.fMatchCase;
    options.fRegex = request.fRegex;
    s_fNotepadLike = request.bReplaceDialog && request.fNotepadLike;
    s_fInSelection = request.bReplaceDialog && request.fInSelection;
    options.fSearchDown = request.fSearchDown;
    options.fWrapAround = request.fWrapAround;
    if (request.bReplaceDialog)
        options.strReplace = request.strReplace;
    // What was searched for (and put in) heads the boxes' lists; a close searches nothing.
    if (nAction != SR_CLOSE) {
        AddToHistory(TheSearchHistory().finds, request.strFind);
        if (nAction != SR_FINDNEXT)
            AddToHistory(TheSearchHistory().replaces, request.strReplace);
    }
    switch (nAction) {
    case SR_FINDNEXT: {
        CWaitCursor wait;
        return FindNext(doc);
    }
    case SR_REPLACE: return ReplaceNext(doc);
    case SR_REPLACEALL: {
        CWaitCursor wait;
        ReplaceAll(doc);
        break;
    }
    default: break;
    }
    return false;
}

bool FindNext(CTessarinDoc& doc, bool bReverse) {
    CTessarinView* pView = dynamic_cast<CTessarinView*>(doc.GetView());
    if (!pView)
        return false;
    const SearchOptions& options = doc.GetSearchOptions();
    const bool fDown = options.fSearchDown != bReverse;
    int nStart = 0, nEnd = 0;
    pView->GetSel(nStart, nEnd);
    std::optional<SelectionMatch> match;
    CRegex* pRegex = nullptr;
    if (options.fRegex && !(pRegex = RegexFor(*pView, options)))
        return false;
    RegexStatus status = RegexStatus::NotFound;
    // The plain search reads only the stretch it searches; the whole text is locked for a regular
    // expression (it may look anywhere) and to wrap around.
    const bool bOneWayDone = !pRegex && FindPlainOneWay(*pView, options, nStart, nEnd, fDown, match);
    if (!match && !(bOneWayDone && !options.fWrapAround)) {
        CEditBufferLock lock(*pView);
        if (lock.Get()) {
            std::wstring_view text(lock.Get(), static_cast<size_t>(pView->GetTextLength()));
            // Down from the selection's end to the end of the text; up from its start to the start
            // of the text. Reaching either end means no match, unless wrap around is on.
            if (pRegex)
                status = FindRegexFromSelection(*pRegex, text, static_cast<size_t>(nStart), static_cast<size_t>(nEnd),
                                                fDown, options.fWrapAround, MatchOptionsOf(options), match);
            else
                match = FindFromSelection(text, static_cast<size_t>(nStart), static_cast<size_t>(nEnd), fDown,
                                          options.fWrapAround, options.strFind, MatchOptionsOf(options));
        }
    }
    if (status == RegexStatus::TooComplex) {
        ShowTooComplex(*pView);
        return false;
    }
    if (!match) {
        // The user's text goes in as it is: a "%" in it is not a format.
        ShowNotice(*pView, FormatString(IDS_FIND_NOT_FOUND, {options.strFind}));
        return false;
    }
    pView->SetSel(static_cast<int>(match->range.start), static_cast<int>(match->range.end));
    // A wrapped search says so; the next match found takes that line away again, so that it never
    // stands beside a match it does not describe (other lines of the status bar are left alone).
    static bool s_bWrapLineShown = false;
    if (match->bWrapped)
        ShowStatusMessage(doc, LoadStringResource(fDown ? IDS_FIND_WRAPPED_TO_START : IDS_FIND_WRAPPED_TO_END));
    else if (s_bWrapLineShown)
        ShowStatusMessage(doc, LoadStringResource(AFX_IDS_IDLEMESSAGE));
    s_bWrapLineShown = match->bWrapped;
    return true;
}

bool ReplaceNext(CTessarinDoc& doc) {
    CTessarinView* pView = dynamic_cast<CTessarinView*>(doc.GetView());
    if (!pView)
        return false;
    const SearchOptions& options = doc.GetSearchOptions();
    int nStart = 0, nEnd = 0;
    pView->GetSel(nStart, nEnd);
    if (options.fRegex) {
        CRegex* pRegex = RegexFor(*pView, options);
        CRegexReplacement replacement;
        if (!pRegex || !ReplacementFor(*pView, *pRegex, options, replacement))
            return false;
        // The selection is replaced when the pattern matches exactly it, from its start (the
        // text around it seen, as Find Next sees it); the groups fill the template.
        std::wstring strReplacement;
        bool bMatch = false;
        if (nStart != nEnd) {
            CEditBufferLock lock(*pView);
            if (lock.Get()) {
                std::wstring_view text(lock.Get(), static_cast<size_t>(pView->GetTextLength()));
                TextRange found;
                RegexStatus status = pRegex->Match(text, static_cast<size_t>(nStart), false, true, found);
                const MatchOptions match = MatchOptionsOf(options);
                bMatch = status == RegexStatus::Found && found.end == static_cast<size_t>(nEnd) &&
                         (!match.fWholeWord || match.wordChars.empty() ||
                          IsWholeWord(text, found, WordCharSetFor(match.wordChars)));
                if (bMatch)
                    replacement.AppendTo(*pRegex, text, strReplacement);
            }
        }
        if (bMatch)
            pView->RecordInsertion(strReplacement.c_str(), -1, -1, true);
    } else if (nStart != nEnd) {
        std::wstring strSelected = SelectedText(*pView, nStart, nEnd);
        // With match case the selection must be the search text unit for unit: lstrcmpW compares
        // by the locale and calls different texts equal (the backslash and the yen sign, "K" and the Kelvin
        // sign, a word with and without a soft hyphen), so it would replace text that Find Next never
        // matches. Without match case the locale's comparison, lstrcmpiW, decides.
        bool bEqual = options.fMatchCase ? strSelected == options.strFind
                                         : ::lstrcmpiW(strSelected.c_str(), options.strFind.c_str()) == 0;
        if (bEqual)
            pView->RecordInsertion(options.strReplace.c_str(), -1, -1, true);
    }
    CWaitCursor wait;
    return FindNext(doc);
}

size_t ReplaceAll(CTessarinDoc& doc) {
    CTessarinView* pView = dynamic_cast<CTessarinView*>(doc.GetView());
    if (!pView)
        return 0;
    s_matchList.clear();
    ReplaceRange range;
    if (s_fInSelection) {
        int nStart = 0, nEnd = 0;
        pView->GetSel(nStart, nEnd);
        range = ReplaceRange{true, static_cast<size_t>(nStart), static_cast<size_t>(nEnd)};
    }
    // Match by match, many matches take a while: the status bar tells how far it has got.
    CProgress progress(doc.ProgressFrame());
    const SearchOptions& options = doc.GetSearchOptions();
    std::optional<size_t> nCount;
    if (range.bSelection && range.nStart == range.nEnd)
        nCount = 0; // an empty selection holds no match: nothing is replaced, and the count says so
    else if (options.fRegex)
        nCount = ReplaceAllRegex(*pView, options, s_fNotepadLike, range, progress);
    else if (s_fNotepadLike)
        nCount = ReplaceAllNotepadLike(*pView, options, range, progress);
    else
        nCount = ReplaceAllFast(*pView, options, range);
    if (!nCount)
        return 0; // the pattern did not compile or went past the match limit: its message said so
    ShowStatusMessage(doc, FormatString(range.bSelection ? IDS_REPLACED_COUNT_IN_SELECTION : IDS_REPLACED_COUNT,
                                        {std::to_wstring(*nCount)}));
    return *nCount;
}
