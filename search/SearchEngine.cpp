// The search engine's window side: reads the view's edit control through its locked buffer, runs
// the plain matcher over it, selects what it found and writes replacements only through the
// view's edit history, so each one can be undone.
#include "search/SearchEngine.h"
#include "document/TessarinDoc.h"
#include "framework/EditView.h"
#include "framework/FrameWnd.h"
#include "framework/ModalScope.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "search/ReplaceAll.h"
#include "search/SearchHistory.h"
#include "search/TextMatch.h"
#include "view/TessarinView.h"
#include <deque>
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

// The text of [nStart, nEnd), read from the locked buffer.
std::wstring SelectedText(const CTessarinView& view, int nStart, int nEnd) {
    CEditBufferLock lock(view);
    if (!lock.Get() || nEnd <= nStart)
        return {};
    return std::wstring(lock.Get() + nStart, static_cast<size_t>(nEnd - nStart));
}

// The part of the text Replace All works on: all of it, or the selection [nStart, nEnd).
struct ReplaceRange {
    bool bSelection = false;
    size_t nStart = 0;
    size_t nEnd = std::wstring_view::npos;
};

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
    if (nCount > 0 && range.bSelection) {
        // One history step for the selection, which then holds the replaced text.
        const auto nStart = static_cast<int>(range.nStart);
        view.SetSel(nStart, static_cast<int>(range.nEnd));
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
        view.SetSel(nStart, nStart + static_cast<int>(s_replaceAllOut.Text().size()));
    } else if (nCount > 0) {
        view.SetSel(0, -1);
        view.RecordInsertion(s_replaceAllOut.Text().c_str(), -1, -1, true);
    }
    s_replaceAllOut.Clear();
    return nCount;
}

size_t ReplaceAllNotepadLike(CTessarinView& view, const SearchOptions& options, const ReplaceRange& range) {
    {
        CEditBufferLock lock(view);
        if (!lock.Get())
            return 0;
        std::wstring_view text(lock.Get(), static_cast<size_t>(view.GetTextLength()));
        CollectMatches(text, options.strFind, MatchOptionsOf(options), s_matchList, range.nStart, range.nEnd);
    }
    const size_t nCount = s_matchList.size();
    // The selection's end moves by each replacement's change of length.
    ptrdiff_t nGrowth = 0;
    // From the last match to the first, so the positions of those still to come stay valid.
    while (!s_matchList.empty()) {
        const MatchRecord& match = s_matchList.back();
        view.SetSel(static_cast<int>(match.start), static_cast<int>(match.end));
        view.RecordInsertion(options.strReplace.c_str(), -1, -1, true);
        nGrowth += static_cast<ptrdiff_t>(options.strReplace.size()) - static_cast<ptrdiff_t>(match.end - match.start);
        s_matchList.pop_back();
    }
    if (nCount > 0 && range.bSelection)
        view.SetSel(static_cast<int>(range.nStart), static_cast<int>(static_cast<ptrdiff_t>(range.nEnd) + nGrowth));
    return nCount;
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
    {
        CEditBufferLock lock(*pView);
        if (lock.Get()) {
            std::wstring_view text(lock.Get(), static_cast<size_t>(pView->GetTextLength()));
            // Down from the selection's end to the end of the text; up from its start to the start
            // of the text. Reaching either end means no match, unless wrap around is on.
            match = FindFromSelection(text, static_cast<size_t>(nStart), static_cast<size_t>(nEnd), fDown,
                                      options.fWrapAround, options.strFind, MatchOptionsOf(options));
        }
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
    if (nStart != nEnd) {
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
    // An empty selection holds no match: nothing is replaced, and the count says so.
    const size_t nCount = range.bSelection && range.nStart == range.nEnd ? 0
                          : s_fNotepadLike ? ReplaceAllNotepadLike(*pView, doc.GetSearchOptions(), range)
                                           : ReplaceAllFast(*pView, doc.GetSearchOptions(), range);
    ShowStatusMessage(doc, FormatString(range.bSelection ? IDS_REPLACED_COUNT_IN_SELECTION : IDS_REPLACED_COUNT,
                                        {std::to_wstring(nCount)}));
    return nCount;
}
