// The search engine's window side: reads the view's edit control through its locked buffer, runs
// the plain matcher over it, selects what it found and writes replacements only through the
// view's edit history, so each one can be undone.
#include "search/SearchEngine.h"
#include "document/TessarinDoc.h"
#include "framework/EditView.h"
#include "framework/ModalScope.h"
#include "framework/Progress.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "search/RegexMatch.h"
#include "search/ReplaceAll.h"
#include "search/TextMatch.h"
#include "view/TessarinView.h"
#include <deque>
#include <memory>
#include <optional>
#include <string_view>

namespace {

// How Replace All works, for the whole process: set by every request of the Replace dialog from
// its "Notepad-like" box and turned off by every request of the Find dialog.
bool s_fNotepadLike = false;
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

// The text of [nStart, nEnd), read from the locked buffer.
std::wstring SelectedText(const CTessarinView& view, int nStart, int nEnd) {
    CEditBufferLock lock(view);
    if (!lock.Get() || nEnd <= nStart)
        return {};
    return std::wstring(lock.Get() + nStart, static_cast<size_t>(nEnd - nStart));
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

void ShowTooComplex(CTessarinView& view) {
    ShowNotice(view, LoadStringResource(IDS_REGEX_TOO_COMPLEX));
}

// Replace All with a regular expression: as ReplaceAllFast and ReplaceAllNotepadLike below, with
// each match's own replacement text.
void ReplaceAllRegex(CTessarinView& view, const SearchOptions& options, bool fNotepadLike) {
    CRegex* pRegex = RegexFor(view, options);
    CRegexReplacement replacement;
    if (!pRegex || !ReplacementFor(view, *pRegex, options, replacement))
        return;
    size_t nCount = 0;
    RegexStatus status;
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        if (fNotepadLike)
            status = CollectRegexMatches(*pRegex, replacement, text, MatchOptionsOf(options), s_matchList);
        else
            status = BuildRegexReplaceAll(*pRegex, replacement, text, MatchOptionsOf(options), s_replaceAllOut, nCount);
    }
    // A pattern stopped by the limits replaces nothing: half a Replace All would be hard to tell
    // from a whole one.
    if (status == RegexStatus::TooComplex) {
        s_matchList.clear();
        s_replaceAllOut.Clear();
        ShowTooComplex(view);
        return;
    }
    if (fNotepadLike) {
        while (!s_matchList.empty()) {
            const MatchRecord& match = s_matchList.back();
            view.SetSel(static_cast<int>(match.start), static_cast<int>(match.end));
            view.RecordInsertion(match.text.c_str(), -1, -1, true);
            s_matchList.pop_back();
        }
        return;
    }
    if (nCount > 0) {
        view.SetSel(0, -1);
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
    }
    s_replaceAllOut.Clear();
}

void ReplaceAllFast(CTessarinView& view, const SearchOptions& options) {
    size_t nCount = 0;
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        nCount = BuildReplaceAll(text, options.strFind, options.strReplace, MatchOptionsOf(options), s_replaceAllOut);
    }
    // With no match the text would only be replaced by a copy of itself: that would still add a
    // history step, mark the document modified and lose the selection, for nothing.
    if (nCount > 0) {
        view.SetSel(0, -1);
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
    }
    s_replaceAllOut.Clear();
}

void ReplaceAllNotepadLike(CTessarinView& view, const SearchOptions& options, CProgress& progress) {
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        CollectMatches(text, options.strFind, MatchOptionsOf(options), s_matchList);
    }
    // From the last match to the first, so the positions of those still to come stay valid.
    const size_t nTotal = s_matchList.size();
    while (!s_matchList.empty()) {
        const MatchRecord& match = s_matchList.back();
        view.SetSel(static_cast<int>(match.start), static_cast<int>(match.end));
        view.RecordInsertion(options.strReplace.c_str(), -1, -1, true);
        s_matchList.pop_back();
        progress.Step(IDS_PROGRESS_REPLACING, nTotal - s_matchList.size(), nTotal);
    }
}

} // namespace

bool ApplySearchRequest(CTessarinDoc& doc, int nAction, const SearchRequest& request) {
    SearchOptions& options = doc.GetSearchOptions();
    options.strFind = request.strFind;
    options.fWholeWord = request.fWholeWord;
    options.fMatchCase = request.fMatchCase;
    options.fRegex = request.fRegex;
    s_fNotepadLike = request.bReplaceDialog && request.fNotepadLike;
    options.fSearchDown = request.fSearchDown;
    if (request.bReplaceDialog)
        options.strReplace = request.strReplace;
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

bool FindNext(CTessarinDoc& doc) {
    CTessarinView* pView = dynamic_cast<CTessarinView*>(doc.GetView());
    if (!pView)
        return false;
    const SearchOptions& options = doc.GetSearchOptions();
    int nStart = 0, nEnd = 0;
    pView->GetSel(nStart, nEnd);
    std::optional<TextRange> match;
    CRegex* pRegex = nullptr;
    if (options.fRegex && !(pRegex = RegexFor(*pView, options)))
        return false;
    RegexStatus status = RegexStatus::NotFound;
    {
        CEditBufferLock lock(*pView);
        if (lock.Get()) {
            std::wstring_view text(lock.Get(), static_cast<size_t>(pView->GetTextLength()));
            // Down from the selection's end to the end of the text; up from its start to the start
            // of the text. Reaching either end means no match: the search never wraps around.
            size_t nFrom = static_cast<size_t>(options.fSearchDown ? nEnd : nStart);
            size_t nLimit = options.fSearchDown ? text.size() : 0;
            if (pRegex) {
                // An empty match at the caret is where the last find stopped: passing over it
                // lets F3 move on through matches such as "^" or "x*".
                TextRange found;
                status = RegexFind(*pRegex, text, nFrom, nLimit, options.fSearchDown, MatchOptionsOf(options),
                                   nStart == nEnd, found);
                if (status == RegexStatus::Found)
                    match = found;
            } else {
                match = MatchText(text, nFrom, nLimit, options.fSearchDown, options.strFind, MatchOptionsOf(options));
            }
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
    pView->SetSel(static_cast<int>(match->start), static_cast<int>(match->end));
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

void ReplaceAll(CTessarinDoc& doc) {
    CTessarinView* pView = dynamic_cast<CTessarinView*>(doc.GetView());
    if (!pView)
        return;
    s_matchList.clear();
    // Match by match, many matches take a while: the status bar tells how far it has got.
    CProgress progress(doc.ProgressFrame());
    if (doc.GetSearchOptions().fRegex)
        ReplaceAllRegex(*pView, doc.GetSearchOptions(), s_fNotepadLike);
    else if (s_fNotepadLike)
        ReplaceAllNotepadLike(*pView, doc.GetSearchOptions(), progress);
    else
        ReplaceAllFast(*pView, doc.GetSearchOptions());
}
