// CFrameWnd: creation, client layout, the command route and menu item updates.
#include "framework/FrameWnd.h"
#include "framework/CmdUI.h"
#include "framework/View.h"
#include "framework/WinApp.h"

bool CFrameWnd::Create(const wchar_t* pszTitle, DWORD dwStyle, const RECT* pRect, HWND hParent, HMENU hMenu) {
    std::wstring strClass = RegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                             ::LoadIconW(nullptr, IDI_APPLICATION));
    auto nMenu = reinterpret_cast<UINT_PTR>(hMenu);
    if (pRect)
        return CreateEx(0, strClass.c_str(), pszTitle, dwStyle, *pRect, hParent, nMenu);
    return CreateEx(0, strClass.c_str(), pszTitle, dwStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    hParent, nMenu);
}

void CFrameWnd::SetActiveView(CView* pView) {
    m_pViewActive = pView;
    if (m_hWnd)
        RecalcLayout();
}

CDocument* CFrameWnd::GetActiveDocument() const { return m_pViewActive ? m_pViewActive->GetDocument() : nullptr; }

void CFrameWnd::RecalcLayout() {
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->MoveWindow(GetClientRect());
}

bool CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode, pExtra))
        return true;
    if (OnOwnCmdMsg(nID, nCode, pExtra))
        return true;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pExtra);
}

void CFrameWnd::OnSize(UINT nType, int, int) {
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND) {
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->SetFocus();
}

void CFrameWnd::OnInitMenuPopup(HMENU hPopup, UINT, BOOL bSysMenu) {
    if (bSysMenu)
        return;
    int nCount = ::GetMenuItemCount(hPopup);
    for (int i = 0; i < nCount; ++i) {
        UINT nID = ::GetMenuItemID(hPopup, i);
        if (nID == 0 || nID == static_cast<UINT>(-1))
            continue; // separator or sub-menu
        CCmdUI state(nID, hPopup, static_cast<UINT>(i));
        state.DoUpdate(this, true);
    }
}

void CFrameWnd::OnDestroy() {
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    Default();
}

void CFrameWnd::PostNcDestroy() {
    if (m_bAutoDelete)
        delete this;
}
