#pragma once
// CFrameWnd: a top-level window hosting one view as its client, with control bars (status bar,
// docking panes) along its edges. It loads its menu, accelerators, icon and title from one
// resource id, routes commands (view -> document -> frame -> application), fills in menu item
// states when a menu pops up, shows menu prompts in the status bar, opens dropped files, answers
// the shell's DDE open requests and asks to save changes before it closes.
#include "framework/ControlBar.h"
#include "framework/Wnd.h"
#include <shellapi.h>
#include <memory>
#include <string>
#include <vector>

class CView;
class CDocument;
class CControlBar;
class CDockBar;
class CMiniDockFrameWnd;
class CStatusBar;
struct CCreateContext;

// Frame style: the title is the document's title, " - ", then the frame's own title.
#define FWS_ADDTOTITLE 0x00008000L

// RepositionBars: lay the bars out, or only measure what they would leave free.
#define reposDefault 0
#define reposQuery 1

class CFrameWnd : public CWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    bool Create(const wchar_t* pszTitle, DWORD dwStyle = WS_OVERLAPPEDWINDOW, const RECT* pRect = nullptr,
                HWND hParent = nullptr, HMENU hMenu = nullptr);
    // Creates the frame from resource nIDResource: menu, accelerator table, icon and the title
    // (the first field of the string of that id). The view comes from the context.
    bool LoadFrame(UINT nIDResource, DWORD dwStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, HWND hParent = nullptr,
                   CCreateContext* pContext = nullptr);
    // The view's first update, the title, and (bMakeVisible) showing the frame; the main window is
    // shown the first time with the show state the process was started with.
    void InitialUpdateFrame(CDocument* pDoc, bool bMakeVisible);
    virtual void ActivateFrame(int nCmdShow = -1);
    virtual void OnUpdateFrameTitle(bool bAddToTitle);
    const std::wstring& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::wstring& strTitle) { m_strTitle = strTitle; }

    CView* GetActiveView() const { return m_pViewActive; }
    // The print preview shown in place of the view (null when none): the layout gives it the
    // view's place and the focus, and while it shows only the commands it allows reach the route.
    void SetPreviewWindow(CWnd* pPreview);
    CWnd* GetPreviewWindow() const { return m_pPreview; }
    void SetActiveView(CView* pView);
    CDocument* GetActiveDocument() const;

    // Places the visible control bars along the edges and the view over the rest.
    virtual void RecalcLayout();
    // Bars (direct children, dock bars included) take their edges in creation order, the first
    // outermost. With reposQuery nothing moves and *pRectFree only receives the client area the
    // bars leave for the view (frame client coordinates).
    void RepositionBars(UINT nFlags, RECT* pRectFree = nullptr);

    // Control bars: direct children, docked or floating, by child id.
    CControlBar* GetControlBar(UINT nID) const;
    // Creates a dock bar for each side in dwDockStyle (CBRS_ALIGN_*: top, bottom, left, right, in
    // that stacking order) and allows bars to dock there.
    void EnableDocking(DWORD dwDockStyle);
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    // The dock bar with that id (AFX_IDW_DOCKBAR_TOP ... _BOTTOM), null when the side has none.
    CDockBar* GetDockBar(UINT nDockBarID) const;
    // Docks the bar on the side of the dock bar id (AFX_IDW_DOCKBAR_TOP ... _BOTTOM; 0: the first
    // side the bar allows). With a screen rectangle the bar joins the row it lies over.
    void DockControlBar(CControlBar* pBar, UINT nDockBarID = 0, const RECT* pRectScreen = nullptr);
    // Floats the bar in its own mini-frame whose top-left is at ptScreen.
    void FloatControlBar(CControlBar* pBar, POINT ptScreen, DWORD dwStyle = CBRS_ALIGN_TOP);
    // Shows or hides the bar (with its mini-frame when floating); bDelay leaves the new layout to
    // the next idle pass.
    void ShowControlBar(CControlBar* pBar, bool bShow, bool bDelay);
    // The mini-frame a floating bar lives in, or null.
    CMiniDockFrameWnd* GetMiniFrame(const CControlBar* pBar) const;
    // The status bar (child id AFX_IDW_STATUS_BAR), null when there is none.
    CStatusBar* GetStatusBar() const;
    // Pane 0 of the status bar: the prompt of command nID (its string up to "\n"); the idle
    // message for AFX_IDS_IDLEMESSAGE, nothing for 0.
    void SetMessageText(UINT nID);
    void SetMessageText(const std::wstring& strText);
    // What the frame does on every idle pass: control bars (docked and floating) refresh, a
    // delayed layout is done, the title follows the document.
    virtual void OnIdleUpdateCmdUI();

    // While a modal window of the program runs (CModalScope), the frame and every enabled window
    // it owns are disabled, and enabled again when the outermost one ends; nested calls count.
    void BeginModalState();
    void EndModalState();
    bool InModalState() const { return m_nModalCount > 0; }

    // The frame's accelerators for a key message to the frame or one of its children; true when
    // the key became a command. A key for a command that acts on the focused view's text (see
    // IsViewTextCommand) is left to the window that has it when that is not the view.
    bool TranslateFrameAccelerator(MSG* pMsg);
    // Cut, copy, paste, delete, select all, undo and redo; a frame adds its own.
    virtual bool IsViewTextCommand(UINT nID) const;

    HACCEL m_hAccelTable = nullptr;
    bool m_bAutoDelete = false; // delete the object when its window is gone

    bool OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Creates the view named by the context as child AFX_IDW_PANE_FIRST and makes it active.
    virtual bool OnCreateClient(CREATESTRUCTW* pCreate, CCreateContext* pContext);
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnSetFocus(HWND hOldFocus) override;
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu) override;
    void OnClose() override;
    // True, after bringing the modal window forward, while the frame is in a modal state: a
    // request to close or open something is then refused rather than run under that window.
    bool RefuseWhileModal();
    // Windows is ending the session (shut-down, log-off): the save-changes question of a close;
    // false refuses the end of the session.
    virtual bool OnQueryEndSession();
    // The session ends (bEnding) or goes on after all: an ending session closes the window as a
    // close does, storing its settings, without asking again.
    virtual void OnEndSession(bool bEnding);
    void OnDestroy() override;
    void PostNcDestroy() override;
    virtual void OnDropFiles(HDROP hDropInfo);
    // The window moved to a monitor of another DPI (WM_DPICHANGED): the DPI is recorded for
    // GetWindowDpi, the bars make their fonts and sizes again, and the window takes the rectangle
    // the system suggests, which keeps its size in points. A frame adds its view's font.
    virtual void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);
    virtual void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    void OnBarCheck(UINT nID);
    void OnUpdateControlBarMenu(CCmdUI* pCmdUI);

private:
    LRESULT OnDdeInitiate(HWND hWndClient, LPARAM lParam);
    LRESULT OnDdeExecute(HWND hWndClient, LPARAM lParam);
    LRESULT OnDdeTerminate(HWND hWndClient);

    std::vector<CControlBar*> AllControlBars() const;

    CView* m_pViewActive = nullptr;
    CWnd* m_pPreview = nullptr;
    std::wstring m_strTitle;
    DWORD m_dwDockStyle = 0;
    std::vector<std::unique_ptr<CDockBar>> m_dockBars;
    std::vector<std::unique_ptr<CMiniDockFrameWnd>> m_miniFrames;
    bool m_bInRecalcLayout = false;
    bool m_bDelayedLayout = false;
    int m_nModalCount = 0;
    std::vector<HWND> m_modalDisabled; // windows the modal state disabled, enabled again at its end
    HWND m_hWndActiveBeforeModal = nullptr;
    CCreateContext* m_pCreateContext = nullptr; // during LoadFrame only
    HICON m_hIcon = nullptr;
    HICON m_hIconSmall = nullptr;
};
