#pragma once
// CMainFrame: the editor's only top-level window. It hosts the view, the status bar with the
// encoding/line-ending and caret-position panes, restores and stores its placement, opens
// dropped files with the encoding detected afresh, and owns the modeless Find and Replace dialogs,
// whose requests it relays to the search engine.
#include "framework/FrameWnd.h"
#include "framework/StatusBar.h"
#include "search/FindInFilesRun.h"
#include "search/FindResultsBar.h"
#include "search/SearchDlg.h"
#include <memory>

class CTessarinDoc;

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Idle refresh of pane 2 (caret line and column: only while the status bar shows, and only
    // after a change) and pane 1 (encoding and line ending).
    void UpdateLineColumnPane();
    void UpdateFileFormatPane();
    // Idle refresh of the Replace dialog's "replace in selection" box, which needs a selection.
    void UpdateSearchDialogs();

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    // The date and time (F5) goes into the text too.
    bool IsViewTextCommand(UINT nID) const override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    void OnDropFiles(HDROP hDropInfo) override;
    void OnClose() override;
    // Refused, with the reason, while a modal window is up.
    bool OnQueryEndSession() override;
    void OnEndSession(bool bEnding) override;
    // The bars and the window follow the new DPI in the base; the view's font follows here.
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested) override;

private:
    // Creation steps: placement and status bar from the stored settings, then the bar's panes.
    bool CreateStatusBar(bool& bShowStatusBar);
    void SizeSamplePane(int nIndex, UINT nSampleId);

    // Search: Find and Replace open their dialog or focus the one that is open; Find Next repeats
    // the last search, or acts as Find while there is none.
    void OnEditFind();
    void OnEditReplace();
    // Find previous (Shift+F3) is Find Next in the other direction, for this one search.
    void OnEditFindNext(bool bReverse = false);
    // A selection within one line is what the user means to search for: it seeds a new dialog.
    std::wstring SearchTextForNewDialog(const std::wstring& strRemembered) const;
    void UpdateSearchDialog(const CSearchDlg& dlg) const;
    bool FocusOpenSearchDialog() const;
    void OpenSearchDialog(UINT nIDTemplate, std::unique_ptr<CSearchDlg>& pSlot);
    LRESULT OnSearchRequest(WPARAM wParam, LPARAM lParam);
    // After a find selected a match: the open search dialog steps off it.
    void MoveSearchDialogsClearOfSelection() const;
    void DestroySearchDialogs();
    CTessarinDoc* GetSearchDocument() const;

    // Find in files: the results pane, ID_EDIT_FIND_IN_FILES (start, or stop a run) and
    // ID_VIEW_FIND_RESULTS (show or hide the pane, checked while shown).
    bool CreateFindResultsPane();
    bool OnFindInFilesCmdMsg(UINT nID, int nCode, void* pExtra);
    void OnEditFindInFiles();

    CStatusBar m_wndStatusBar;
    // What the line/column pane was last computed from: the view's control, its change stamp
    // (CTextControl::kGetChangeStamp) and its style (word wrap).
    struct LineColumnSource {
        HWND hView = nullptr;
        unsigned nStamp = 0;
        DWORD dwStyle = 0;
        bool operator==(const LineColumnSource&) const = default;
    };
    LineColumnSource m_lineColumnSource;
    CFindResultsBar m_wndFindResults;
    CFindInFilesRunState m_findInFilesRun;
    bool m_bCloseAfterFindInFiles = false; // a close came during the run
    bool m_bEndSessionBlocked = false;     // a reason for refusing the end of the session is set
    std::unique_ptr<CSearchDlg> m_pFindDlg;
    std::unique_ptr<CSearchDlg> m_pReplaceDlg;
};
