#pragma once
// CFrameWnd: a top-level window hosting one view as its client, with control bars (status bar,
// docking panes) along its edges. It loads its menu, accelerators, icon and title from one
// resource id, routes commands (view -> document -> frame -> application), fills in menu item
// states when a menu pops up, shows menu prompts in the status bar, opens dropped files, answers
// the shell's DDE open requests and asks to save changes before it closes.
#include "framework/Wnd.h"
#include <shellapi.h>
#include <string>

class CView;
class CDocument;
class CControlBar;
class CStatusBar;
struct CCreateContext;

// Frame style: the title is the document's title, " - ", then the frame's own title.
#define FWS_ADDTOTITLE 0x00008000L

class CFrameWnd : public CWnd {
public:
    CFrameWnd() = default;

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
    void SetActiveView(CView* pView);
    CDocument* GetActiveDocument() const;

    // Places the visible control bars along the edges and the view over the rest.
    virtual void RecalcLayout();

    // Control bars.
    CControlBar* GetControlBar(UINT nID) const;
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    // Docks the bar on the side of the dock bar id (AFX_IDW_DOCKBAR_TOP ... _BOTTOM).
    void DockControlBar(CControlBar* pBar, UINT nDockBarID);
    void ShowControlBar(CControlBar* pBar, bool bShow, bool bDelay);
    // The status bar (child id AFX_IDW_STATUS_BAR), null when there is none.
    CStatusBar* GetStatusBar() const;
    // Pane 0 of the status bar: the prompt of command nID (its string up to "\n"); the idle
    // message for AFX_IDS_IDLEMESSAGE, nothing for 0.
    void SetMessageText(UINT nID);
    void SetMessageText(const std::wstring& strText);
    // What the frame does on every idle pass: control bars refresh, the title follows the document.
    virtual void OnIdleUpdateCmdUI();

    // While a modal dialog of another kind runs, the frame is disabled; nested calls count.
    void BeginModalState();
    void EndModalState();
    bool InModalState() const { return m_nModalCount > 0; }

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
    // Windows is ending the session (shut-down, log-off): the save-changes question of a close;
    // false refuses the end of the session.
    virtual bool OnQueryEndSession();
    // The session ends (bEnding) or goes on after all: an ending session closes the window as a
    // close does, storing its settings, without asking again.
    virtual void OnEndSession(bool bEnding);
    void OnDestroy() override;
    void PostNcDestroy() override;
    virtual void OnDropFiles(HDROP hDropInfo);
    virtual void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    void OnBarCheck(UINT nID);
    void OnUpdateControlBarMenu(CCmdUI* pCmdUI);

private:
    LRESULT OnDdeInitiate(HWND hWndClient, LPARAM lParam);
    LRESULT OnDdeExecute(HWND hWndClient, LPARAM lParam);
    LRESULT OnDdeTerminate(HWND hWndClient);

    CView* m_pViewActive = nullptr;
    std::wstring m_strTitle;
    DWORD m_dwDockStyle = 0;
    int m_nModalCount = 0;
    CCreateContext* m_pCreateContext = nullptr; // during LoadFrame only
    HICON m_hIcon = nullptr;
    HICON m_hIconSmall = nullptr;
};
