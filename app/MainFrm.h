#pragma once
// CMainFrame: the editor's only top-level window. It hosts the view, the status bar with the
// encoding/line-ending and caret-position panes, restores and stores its placement, and opens
// dropped files with the encoding detected afresh.
#include "framework/FrameWnd.h"
#include "framework/StatusBar.h"

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;

    // Idle refresh of pane 2 (caret line and column) and pane 1 (encoding and line ending).
    void UpdateLineColumnPane();
    void UpdateFileFormatPane();

    bool m_bFindInFilesRunning = false;

protected:
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    void OnDropFiles(HDROP hDropInfo) override;

private:
    // Creation steps: placement and status bar from the stored settings, then the bar's panes.
    bool CreateStatusBar(bool& bShowStatusBar);
    void SizeSamplePane(int nIndex, UINT nSampleId);

    CStatusBar m_wndStatusBar;
};
