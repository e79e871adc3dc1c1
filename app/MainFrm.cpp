// CMainFrame: creation in its fixed order (placement, status bar, docking, pane widths, status bar
// visibility), the idle refresh of the two status panes, storing the placement at the end, dropped
// files, and the search commands with the relay of the search dialogs' requests.
#include "app/MainFrm.h"
#include "document/Encoding.h"
#include "document/TessarinDoc.h"
#include "framework/CmdUI.h"
#include "view/Settings.h"
#include "view/TessarinView.h"
#include "framework/EditView.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "search/FindInFilesRun.h"
#include "search/SearchEngine.h"
#include "view/TextControl.h"

#include "search/SearchHistory.h"
#include <cwchar>

namespace {
// Pane 0 stretches; 1 holds the encoding and line ending, 2 the caret's position; then the locks.
const UINT kIndicators[] = {
    ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL, ID_INDICATOR_KANA,
};
constexpr int kFileFormatPane = 1;
constexpr int kLineColumnPane = 2;
} // namespace

CMainFrame::CMainFrame() {
    m_bAutoDelete = true;
}

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(CREATESTRUCTW* pCreate) {
    if (CFrameWnd::OnCreate(pCreate) == -1)
        return -1;

    WindowSettings settings = DefaultWindowSettings();
    ReadWindowSettings(settings);
    LoadSearchHistory();
    // Stored values are applied as they are, even off screen or tiny.
    ::MoveWindow(m_hWnd, settings.m_nX, settings.m_nY, settings.m_nDX, settings.m_nDY, TRUE);

    bool bShowStatusBar = settings.m_bStatusBar;
    if (!CreateStatusBar(bShowStatusBar))
        return -1;
    if (!CreateFindResultsPane())
        return -1;
    return 0;
}

bool CMainFrame::CreateStatusBar(bool& bShowStatusBar) {
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
        return false;
    EnableDocking(CBRS_ALIGN_ANY);
    // The samples fix the widths for the whole run; a longer text is cut at the pane's edge.
    SizeSamplePane(kFileFormatPane, IDS_FILE_FORMAT_SAMPLE);
    SizeSamplePane(kLineColumnPane, IDS_LINE_COLUMN_SAMPLE);
    m_wndStatusBar.SetPaneText(0, LoadStringResource(AFX_IDS_IDLEMESSAGE), false);
    m_wndStatusBar.ShowWindow(bShowStatusBar ? SW_SHOW : SW_HIDE);
    RecalcLayout();
    return true;
}

void CMainFrame::SizeSamplePane(int nIndex, UINT nSampleId) {
    m_wndStatusBar.SetPaneWidthFromText(nIndex, LoadStringResource(nSampleId));
}

void CMainFrame::OnDestroy() {
    DestroySearchDialogs();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(m_hWnd, &placement))
        WriteWindowSettings(WindowSettingsFromPlacement(placement, m_wndStatusBar.IsVisible()));
    StoreSearchHistory();
    CFrameWnd::OnDestroy();
}

void CMainFrame::OnDpiChanged(UINT nDpi, const RECT& rcSuggested) {
    CFrameWnd::OnDpiChanged(nDpi, rcSuggested);
    if (auto* pView = dynamic_cast<CTessarinView*>(GetActiveView()))
        pView->OnDpiChanged();
}

void CMainFrame::OnDropFiles(HDROP hDropInfo) {
    // An encoding picked earlier in the Open dialog must not apply to dropped files.
    if (auto* pDoc = dynamic_cast<CTessarinDoc*>(GetActiveDocument()))
        pDoc->SetRequestedFormat(EncodingId::Unspecified, LineEndingId::Unspecified);
    CFrameWnd::OnDropFiles(hDropInfo);
}

void CMainFrame::UpdateLineColumnPane() {
    // Idle passes come with every mouse move: the position is computed only for a status bar that
    // shows, and only once the text, the selection or the view changed since it was last shown.
    if (!m_wndStatusBar.IsVisible())
        return;
    auto* pView = dynamic_cast<CEditView*>(GetActiveView());
    if (!pView || !pView->m_hWnd)
        return;
    const auto nStamp = static_cast<unsigned>(pView->SendMessage(CTextControl::kGetChangeStamp));
    const LineColumnSource source{pView->m_hWnd, nStamp, pView->GetStyle()};
    if (source.nStamp != 0 && source == m_lineColumnSource)
        return;
    m_lineColumnSource = source;
    // The file's line and column, wrapped or not: the text control counts the file's lines.
    const int nLine = pView->LineFromChar(-1);
    int nStart = 0, nEnd = 0;
    pView->GetSel(nStart, nEnd);
    const int nFirst = pView->LineIndex(nLine);
    // "%0d行、%d列": the line and the column.
    const std::wstring strPosition =
        FormatString(IDS_LINE_COLUMN_FORMAT, {std::to_wstring(nLine + 1), std::to_wstring(nStart - nFirst + 1)});
    m_wndStatusBar.SetPaneText(kLineColumnPane, L" " + strPosition, true);
}

void CMainFrame::UpdateFileFormatPane() {
    auto* pView = GetActiveView();
    if (!pView || !m_wndStatusBar.m_hWnd)
        return;
    auto* pDoc = dynamic_cast<CTessarinDoc*>(pView->GetDocument());
    if (!pDoc)
        return;
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    pDoc->GetFileFormat(encoding, lineEnding);
    // The two tabs right-align the names inside the pane.
    m_wndStatusBar.SetPaneText(kFileFormatPane, L"\t\t" + FileFormatText(encoding, lineEnding), true);
}

// ---- Search ------------------------------------------------------------------------------------

bool CMainFrame::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    // The view says when these make sense (there must be text); the frame runs them, as it owns
    // the dialogs.
    switch (nID) {
    case ID_EDIT_FIND: return Handle(nCode, pExtra, [this] { OnEditFind(); });
    case ID_EDIT_REPLACE: return Handle(nCode, pExtra, [this] { OnEditReplace(); });
    case ID_EDIT_FIND_NEXT: return Handle(nCode, pExtra, [this] { OnEditFindNext(); });
    case ID_EDIT_FIND_PREVIOUS: return Handle(nCode, pExtra, [this] { OnEditFindNext(true); });
    case ID_EDIT_FIND_IN_FILES:
    case ID_VIEW_FIND_RESULTS: return OnFindInFilesCmdMsg(nID, nCode, pExtra);
    default: return CFrameWnd::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}

bool CMainFrame::IsViewTextCommand(UINT nID) const {
    return nID == ID_EDIT_TIME_DATE || nID == ID_EDIT_CLEAR_HISTORY || CFrameWnd::IsViewTextCommand(nID);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SEARCHREQUEST)
        return OnSearchRequest(wParam, lParam);
    return CFrameWnd::WindowProc(message, wParam, lParam);
}

CTessarinDoc* CMainFrame::GetSearchDocument() const {
    CView* pView = GetActiveView();
    return pView ? dynamic_cast<CTessarinDoc*>(pView->GetDocument()) : nullptr;
}

bool CMainFrame::FocusOpenSearchDialog() const {
    // Whichever dialog is open takes the focus: Replace does not switch an open Find dialog over,
    // nor Find an open Replace dialog.
    if (m_pFindDlg) {
        m_pFindDlg->SetFocus();
        return true;
    }
    if (m_pReplaceDlg) {
        m_pReplaceDlg->SetFocus();
        return true;
    }
    return false;
}

void CMainFrame::OnEditFind() {
    if (!FocusOpenSearchDialog())
        OpenSearchDialog(IDD_FIND, m_pFindDlg);
}

void CMainFrame::OnEditReplace() {
    if (m_pReplaceDlg)
        m_pReplaceDlg->SetFocus();
    else if (!FocusOpenSearchDialog())
        OpenSearchDialog(IDD_REPLACE, m_pReplaceDlg);
}

void CMainFrame::OpenSearchDialog(UINT nIDTemplate, std::unique_ptr<CSearchDlg>& pSlot) {
    auto pDlg = std::make_unique<CSearchDlg>(nIDTemplate, this);
    if (!pDlg->Create())
        return;
    // The dialogs bring back the texts of the last search (or the selected text) and the wrap
    // around choice; everything else starts afresh.
    if (CTessarinDoc* pDoc = GetSearchDocument()) {
        const SearchOptions& options = pDoc->GetSearchOptions();
        pDlg->SetFindText(SearchTextForNewDialog(options.strFind));
        if (pDlg->IsReplaceDialog())
            pDlg->SetReplaceText(options.strReplace);
        pDlg->SetWrapAround(options.fWrapAround);
    }
    UpdateSearchDialog(*pDlg);
    pDlg->ShowWindow(SW_SHOW);
    pSlot = std::move(pDlg);
}

std::wstring CMainFrame::SearchTextForNewDialog(const std::wstring& strRemembered) const {
    auto* pView = dynamic_cast<CEditView*>(GetActiveView());
    if (!pView || !pView->m_hWnd)
        return strRemembered;
    int nStart = 0, nEnd = 0;
    pView->GetSel(nStart, nEnd);
    // An empty selection says nothing, and one across lines is a block to work on, not a text to
    // look for: the remembered text stays.
    if (nEnd <= nStart)
        return strRemembered;
    CEditBufferLock lock(*pView);
    if (!lock.Get())
        return strRemembered;
    std::wstring strSelected(lock.Get() + nStart, static_cast<size_t>(nEnd - nStart));
    if (strSelected.find_first_of(L"\r\n") != std::wstring::npos)
        return strRemembered;
    return strSelected;
}

void CMainFrame::UpdateSearchDialog(const CSearchDlg& dlg) const {
    auto* pView = dynamic_cast<CEditView*>(GetActiveView());
    int nStart = 0, nEnd = 0;
    if (pView && pView->m_hWnd)
        pView->GetSel(nStart, nEnd);
    dlg.SetSelectionExists(nEnd > nStart);
}

void CMainFrame::UpdateSearchDialogs() {
    if (m_pReplaceDlg && m_pReplaceDlg->m_hWnd)
        UpdateSearchDialog(*m_pReplaceDlg);
}

void CMainFrame::OnEditFindNext(bool bReverse) {
    CWaitCursor wait;
    CTessarinDoc* pDoc = GetSearchDocument();
    if (pDoc && !pDoc->GetSearchOptions().strFind.empty()) {
        if (FindNext(*pDoc, bReverse))
            MoveSearchDialogsClearOfSelection();
    } else
        OnEditFind();
}

LRESULT CMainFrame::OnSearchRequest(WPARAM wParam, LPARAM lParam) {
    // Only a dialog that is still open may speak: a request queued by a dialog that a close
    // request has destroyed meanwhile (Escape and the close box in quick succession) is dropped.
    auto* pDlg = reinterpret_cast<CSearchDlg*>(lParam);
    if (!pDlg || (pDlg != m_pFindDlg.get() && pDlg != m_pReplaceDlg.get()))
        return 0;
    const auto nAction = static_cast<int>(wParam);
    // The controls are read before the engine runs: a notice box it shows runs a message loop in
    // which a close request may destroy the dialog.
    const SearchRequest request = pDlg->GetSearchRequest();
    if (CTessarinDoc* pDoc = GetSearchDocument(); pDoc && ApplySearchRequest(*pDoc, nAction, request))
        MoveSearchDialogsClearOfSelection();
    if (nAction == SR_CLOSE) {
        ::SetFocus(m_hWnd); // passed on to the view
        DestroySearchDialogs();
    } else if (pDlg == m_pFindDlg.get() || pDlg == m_pReplaceDlg.get()) {
        // The texts just used head the lists (a notice box may have closed the dialog meanwhile).
        pDlg->RefreshHistory();
        UpdateSearchDialog(*pDlg);
    }
    return 0;
}

void CMainFrame::MoveSearchDialogsClearOfSelection() const {
    // A match found under the open dialog would stay hidden by it.
    CView* pView = GetActiveView();
    for (const std::unique_ptr<CSearchDlg>* pSlot : {&m_pFindDlg, &m_pReplaceDlg})
        if (*pSlot && pView && pView->m_hWnd)
            (*pSlot)->MoveClearOfSelection(pView->m_hWnd);
}

void CMainFrame::DestroySearchDialogs() {
    for (std::unique_ptr<CSearchDlg>* pSlot : {&m_pFindDlg, &m_pReplaceDlg}) {
        if (*pSlot) {
            (*pSlot)->DestroyWindow();
            pSlot->reset();
        }
    }
}

// ---- Find in files ------------------------------------------------------------------------------

bool CMainFrame::CreateFindResultsPane() {
    if (!m_wndFindResults.Create(LoadStringResource(IDS_FIND_RESULTS_CAPTION).c_str(), this, IDW_FIND_RESULTS,
                                 WS_CHILD | WS_VISIBLE | CBRS_TOP))
        return false;
    // Hidden until a run or ID_VIEW_FIND_RESULTS shows it, then docked along the bottom; its size
    // and place are not kept from one run of the program to the next.
    ShowControlBar(&m_wndFindResults, false, false);
    m_wndFindResults.SetBarStyle(m_wndFindResults.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    m_wndFindResults.EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndFindResults, AFX_IDW_DOCKBAR_BOTTOM);
    return true;
}

bool CMainFrame::OnFindInFilesCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (nID == ID_VIEW_FIND_RESULTS)
        return Handle(
            nCode, pExtra, [this] { ShowControlBar(&m_wndFindResults, !m_wndFindResults.IsVisible(), false); },
            [this](CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_wndFindResults.IsVisible() ? 1 : 0); });
    return Handle(nCode, pExtra, [this] { OnEditFindInFiles(); });
}

void CMainFrame::OnEditFindInFiles() {
    if (m_findInFilesRun.IsRunning()) {
        // The item is the stop command while a run pumps messages: the run ends after its current
        // file. A second choice before that changes nothing.
        m_findInFilesRun.RequestStop(*this);
        return;
    }
    std::wstring strWordChars;
    if (CTessarinDoc* pDoc = GetSearchDocument())
        strWordChars = pDoc->GetSearchOptions().strWordChars;
    if (!FindInFiles(*this, m_wndFindResults, m_findInFilesRun, strWordChars))
        return; // the window went while the run pumped messages: nothing of it may be touched
    // A close asked for during the run was put off until the run had ended.
    if (m_bCloseAfterFindInFiles) {
        m_bCloseAfterFindInFiles = false;
        PostMessage(WM_CLOSE);
    }
}

bool CMainFrame::OnQueryEndSession() {
    // Windows shows the reason to the user who is shutting down or logging off.
    if (InModalState()) {
        m_bEndSessionBlocked =
            ::ShutdownBlockReasonCreate(m_hWnd, LoadStringResource(IDS_END_SESSION_MODAL).c_str()) != FALSE;
        return CFrameWnd::OnQueryEndSession();
    }
    // Without a modal window the question of a close is asked, and the session may end.
    if (m_bEndSessionBlocked && ::ShutdownBlockReasonDestroy(m_hWnd))
        m_bEndSessionBlocked = false;
    return CFrameWnd::OnQueryEndSession();
}

void CMainFrame::OnEndSession(bool bEnding) {
    if (!bEnding && m_bEndSessionBlocked && ::ShutdownBlockReasonDestroy(m_hWnd))
        m_bEndSessionBlocked = false;
    CFrameWnd::OnEndSession(bEnding);
}

void CMainFrame::OnClose() {
    // Under a modal window (a question the run asked included) the close is refused.
    if (RefuseWhileModal())
        return;
    // Closing (also exiting) while a run pumps messages would destroy the pane and the frame under
    // it: the run is stopped, ends after its current file, and then the close goes ahead.
    if (m_findInFilesRun.IsRunning()) {
        m_findInFilesRun.RequestStop(*this);
        m_bCloseAfterFindInFiles = true;
        return;
    }
    CFrameWnd::OnClose();
}
