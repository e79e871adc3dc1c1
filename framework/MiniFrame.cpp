// CMiniDockFrameWnd: the floating bar's window, its caption, close box and sizing borders.
#include "framework/MiniFrame.h"
#include "framework/DockContext.h"
#include "framework/Dpi.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include <windowsx.h>
#include <algorithm>

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
} // namespace

CMiniDockFrameWnd::~CMiniDockFrameWnd() {
    // The dock bar member goes before ~CWnd destroys this window: take it down first.
    DestroyWindow();
}

bool CMiniDockFrameWnd::Create(CFrameWnd* pFrame) {
    m_pFrame = pFrame;
    std::wstring strClass = RegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    if (!CreateEx(kExStyle, strClass.c_str(), L"", kStyle, RECT{0, 0, 100, 100}, pFrame->m_hWnd, 0))
        return false;
    if (!m_wndDockBar.Create(this, AFX_IDW_DOCKBAR_FLOAT))
        return false;
    m_wndDockBar.m_pDockSite = pFrame;
    return true;
}

SIZE CMiniDockFrameWnd::WindowSizeFor(SIZE sizeClient) {
    RECT rc{0, 0, sizeClient.cx, sizeClient.cy};
    ::AdjustWindowRectEx(&rc, kStyle, FALSE, kExStyle);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CMiniDockFrameWnd::PlaceAround(POINT ptScreen) {
    CControlBar* pBar = GetBar();
    SIZE sizeClient = pBar ? pBar->CalcDynamicLayout(0, LM_MRUWIDTH) : SIZE{100, 100};
    SIZE size = WindowSizeFor(sizeClient);
    m_bPlacing = true;
    ::SetWindowPos(m_hWnd, nullptr, ptScreen.x, ptScreen.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    m_bPlacing = false;
    RECT rc = GetClientRect();
    m_wndDockBar.MoveWindow(rc);
    m_wndDockBar.LayoutBars();
}

LRESULT CMiniDockFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION) {
            if (CControlBar* pBar = GetBar(); pBar && pBar->GetDockContext()) {
                pBar->GetDockContext()->ToggleDocking();
                return 0;
            }
        }
        break;
    case WM_NCLBUTTONDOWN:
        // The caption drags the bar through its dock context, so it can be dropped on a side.
        if (wParam == HTCAPTION) {
            if (CControlBar* pBar = GetBar(); pBar && pBar->GetDockContext()) {
                ::SetActiveWindow(m_hWnd);
                pBar->GetDockContext()->StartDrag(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                return 0;
            }
        }
        break;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_GETMINMAXINFO: {
        // The sizing borders stop at the bar's smallest floating size.
        LRESULT lResult = CWnd::WindowProc(message, wParam, lParam);
        if (CControlBar* pBar = GetBar()) {
            SIZE sizeMin = WindowSizeFor(pBar->CalcDynamicLayout(1, LM_LENGTHY));
            sizeMin.cx = WindowSizeFor(pBar->CalcDynamicLayout(1, 0)).cx;
            auto* pInfo = reinterpret_cast<MINMAXINFO*>(lParam);
            pInfo->ptMinTrackSize.x = std::max(pInfo->ptMinTrackSize.x, sizeMin.cx);
            pInfo->ptMinTrackSize.y = std::max(pInfo->ptMinTrackSize.y, sizeMin.cy);
        }
        return lResult;
    }
    default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CMiniDockFrameWnd::OnDpiChanged(UINT nDpi, const RECT& rcSuggested) {
    // A floating bar is on this window's monitor, not the frame's: it takes this window's DPI, and
    // its floating size, kept in points, is not the user's new choice.
    AnnounceWindowDpi(m_hWnd, nDpi);
    m_wndDockBar.UpdateDpi();
    if (CControlBar* pBar = GetBar())
        pBar->UpdateDpi();
    m_bPlacing = true;
    ::SetWindowPos(m_hWnd, nullptr, rcSuggested.left, rcSuggested.top, rcSuggested.right - rcSuggested.left,
                   rcSuggested.bottom - rcSuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    m_bPlacing = false;
    m_wndDockBar.MoveWindow(GetClientRect());
    m_wndDockBar.LayoutBars();
}

void CMiniDockFrameWnd::OnSize(UINT nType, int cx, int cy) {
    if (nType == SIZE_MINIMIZED || !m_wndDockBar.m_hWnd)
        return;
    if (CControlBar* pBar = GetBar(); pBar && !m_bPlacing) {
        // The user dragged a border: the new client size becomes the bar's floating size.
        pBar->CalcDynamicLayout(cx, LM_HORZ | LM_COMMIT);
        pBar->CalcDynamicLayout(cy, LM_LENGTHY | LM_COMMIT);
    }
    m_wndDockBar.MoveWindow(RECT{0, 0, cx, cy});
    m_wndDockBar.LayoutBars();
}

void CMiniDockFrameWnd::OnClose() {
    // The close box hides the bar; the window stays for the next time it floats.
    if (CControlBar* pBar = GetBar(); pBar && m_pFrame)
        m_pFrame->ShowControlBar(pBar, false, false);
    else
        ShowWindow(SW_HIDE);
}
