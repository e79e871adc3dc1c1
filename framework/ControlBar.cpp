// CControlBar: default size and idle behaviour of a bar, its place in the frame's docking, and the
// mouse messages that drive its dock context.
#include "framework/ControlBar.h"
#include "framework/DockBar.h"
#include "framework/DockContext.h"
#include "framework/FrameWnd.h"
#include <windowsx.h>
#include <utility>

CControlBar::CControlBar() = default;

CControlBar::~CControlBar() {
    // The window itself goes in ~CWnd, where this class's handlers no longer run: leave the dock
    // bar now.
    if (m_pDockBar)
        std::exchange(m_pDockBar, nullptr)->RemoveBar(this);
}

void CControlBar::EnableDocking(DWORD dwDockStyle) {
    m_dwDockStyle = dwDockStyle & CBRS_ALIGN_ANY;
    if (!m_pDockSite && m_hWnd)
        m_pDockSite = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(GetParent()));
    if (m_dwDockStyle && !m_pDockContext)
        m_pDockContext = std::make_unique<CDockContext>(this);
}

UINT CControlBar::GetDockBarID() const {
    return m_pDockBar ? static_cast<UINT>(m_pDockBar->GetDlgCtrlID()) : 0;
}

bool CControlBar::IsFloating() const {
    return m_pDockBar && m_pDockBar->IsFloatingDock();
}

SIZE CControlBar::CalcFixedLayout(bool, bool) {
    RECT rc{};
    if (m_hWnd)
        ::GetWindowRect(m_hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

SIZE CControlBar::CalcDynamicLayout(int, DWORD dwMode) {
    return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & (LM_HORZ | LM_HORZDOCK)) != 0);
}

void CControlBar::OnIdleUpdate(CFrameWnd*) {}

int CControlBar::OnCreate(CREATESTRUCTW* pCreate) {
    m_nDpi = GetWindowDpi(m_hWnd);
    return CWnd::OnCreate(pCreate);
}

void CControlBar::UpdateDpi() {
    if (!m_hWnd)
        return;
    const UINT nDpi = GetWindowDpi(m_hWnd);
    if (nDpi == m_nDpi)
        return;
    const UINT nOldDpi = std::exchange(m_nDpi, nDpi);
    OnDpiChanged(nOldDpi);
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DPICHANGED_AFTERPARENT)
        UpdateDpi();
    CDockContext* pContext = m_pDockContext.get();
    if (!pContext || !m_pDockSite)
        return CWnd::WindowProc(message, wParam, lParam);
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_LBUTTONDOWN:
        ::ClientToScreen(m_hWnd, &pt);
        pContext->StartDrag(pt);
        return 0;
    case WM_LBUTTONDBLCLK: pContext->ToggleDocking(); return 0;
    case WM_MOUSEMOVE:
        if (!pContext->IsTracking())
            break;
        ::ClientToScreen(m_hWnd, &pt);
        pContext->Move(pt);
        return 0;
    case WM_LBUTTONUP:
        if (!pContext->IsTracking())
            break;
        ::ClientToScreen(m_hWnd, &pt);
        pContext->EndDrag(pt);
        return 0;
    case WM_RBUTTONDOWN:
        if (!pContext->IsTracking())
            break;
        pContext->CancelDrag();
        return 0;
    case WM_KEYDOWN:
        if (!pContext->IsTracking() || wParam != VK_ESCAPE)
            break;
        pContext->CancelDrag();
        return 0;
    case WM_CAPTURECHANGED:
        if (pContext->IsTracking() && reinterpret_cast<HWND>(lParam) != m_hWnd)
            pContext->CancelDrag();
        break;
    default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CControlBar::OnDestroy() {
    if (m_pDockContext)
        m_pDockContext->CancelDrag();
    if (m_pDockBar)
        std::exchange(m_pDockBar, nullptr)->RemoveBar(this);
    CWnd::OnDestroy();
}
