// CWnd: binding of objects to windows through a window property, creation through a CBT hook so
// platform classes are subclassed before their first message, and the message cracker.
#include "framework/Wnd.h"
#include "framework/CmdUI.h"
#include <windowsx.h>
#undef SubclassWindow // windowsx.h names a macro like our member
#include <algorithm>
#include <utility>

namespace {
// The binding lives on the window itself (a property), so there is no global window map.
const wchar_t kBindingProp[] = L"Framework.CWnd";

// The object whose window CreateEx is about to create on this thread; the CBT hook binds it.
thread_local CWnd* t_pWndInit = nullptr;
} // namespace

void (*CWnd::s_pfnReportException)(std::exception_ptr) = nullptr;

CWnd::~CWnd() {
    if (!m_hWnd)
        return;
    if (m_bCreated)
        DestroyWindow();
    else if (m_pfnSuper)
        UnsubclassWindow();
    else
        Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kBindingProp)) : nullptr;
}

std::wstring CWnd::RegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hBackground, HICON hIcon) {
    wchar_t szName[96];
    wsprintfW(szName, L"Framework:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
              static_cast<void*>(hBackground), static_cast<void*>(hIcon));
    HINSTANCE hInst = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(hInst, szName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.style = nClassStyle;
        wc.lpfnWndProc = &CWnd::StdWndProc;
        wc.hInstance = hInst;
        wc.hCursor = hCursor;
        wc.hbrBackground = hBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = szName;
        ::RegisterClassExW(&wc);
    }
    return szName;
}

bool CWnd::PreCreateWindow(CREATESTRUCTW&) {
    return true;
}

bool CWnd::CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle,
                    const RECT& rect, HWND hWndParent, UINT_PTR nIDorHMenu, void* lpParam) {
    return CreateEx(dwExStyle, pszClassName, pszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, hWndParent, nIDorHMenu, lpParam);
}

bool CWnd::CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle, int x,
                    int y, int cx, int cy, HWND hWndParent, UINT_PTR nIDorHMenu, void* lpParam) {
    CREATESTRUCTW cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = pszClassName;
    cs.lpszName = pszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = cx;
    cs.cy = cy;
    cs.hwndParent = hWndParent;
    cs.hMenu = reinterpret_cast<HMENU>(nIDorHMenu);
    cs.hInstance = ::GetModuleHandleW(nullptr);
    cs.lpCreateParams = lpParam;
    if (m_hWnd || !PreCreateWindow(cs))
        return false;

    // A thread hook, not a class procedure, so that a platform class (whose procedure we do not
    // own) is subclassed before WM_NCCREATE and its WM_CREATE reaches our handlers too.
    t_pWndInit = this;
    HHOOK hHook = ::SetWindowsHookExW(WH_CBT, &CWnd::CbtHookProc, nullptr, ::GetCurrentThreadId());
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (hHook)
        ::UnhookWindowsHookEx(hHook);
    t_pWndInit = nullptr;
    if (!hWnd)
        return false; // WM_NCDESTROY has already unbound us if the window existed for a moment
    m_bCreated = true;
    return true;
}

LRESULT CALLBACK CWnd::CbtHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && t_pWndInit) {
        CWnd* pWnd = std::exchange(t_pWndInit, nullptr);
        HWND hWnd = reinterpret_cast<HWND>(wParam);
        pWnd->Bind(hWnd);
        auto pfnOld = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
        if (pfnOld != &CWnd::StdWndProc) {
            pWnd->m_pfnSuper = pfnOld;
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc));
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

bool CWnd::DestroyWindow() {
    if (!m_hWnd)
        return false;
    return ::DestroyWindow(m_hWnd) != FALSE; // WM_NCDESTROY unbinds
}

void CWnd::Bind(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropW(hWnd, kBindingProp, this);
}

void CWnd::Unbind() {
    if (m_hWnd)
        ::RemovePropW(m_hWnd, kBindingProp);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    m_bCreated = false;
}

bool CWnd::Attach(HWND hWnd) {
    if (m_hWnd || !hWnd || FromHandle(hWnd))
        return false;
    Bind(hWnd);
    return true;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    Unbind();
    return hWnd;
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return false;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    return true;
}

bool CWnd::SubclassDlgItem(UINT nID, HWND hParent) {
    return SubclassWindow(::GetDlgItem(hParent, nID));
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd && m_pfnSuper)
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    return Detach();
}

RECT CWnd::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

void CWnd::CenterWindow(HWND hAlternateOwner) const {
    HWND hOwner = hAlternateOwner ? hAlternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hOwner ? hOwner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& rcWork = monitor.rcWork;
    RECT rcCentre = rcWork;
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcCentre);
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = (rcCentre.left + rcCentre.right - cx) / 2;
    int y = (rcCentre.top + rcCentre.bottom - cy) / 2;
    x = std::max<int>(rcWork.left, std::min<int>(x, rcWork.right - cx));
    y = std::max<int>(rcWork.top, std::min<int>(y, rcWork.bottom - cy));
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring CWnd::GetWindowText() const {
    std::wstring text(static_cast<size_t>(GetWindowTextLength()) + 1, L'\0');
    int n = ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandle(hWnd);
    if (!pWnd)
        return ::DefWindowProcW(hWnd, message, wParam, lParam); // one of our classes, never bound
    ++pWnd->m_nDispatchDepth;
    LRESULT lResult = pWnd->DispatchGuarded(message, wParam, lParam);
    --pWnd->m_nDispatchDepth;
    if (message == WM_NCDESTROY) {
        // The original procedure has run its own clean-up; hand the window back and let go.
        if (pWnd->m_pfnSuper && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC)) == &CWnd::StdWndProc)
            ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
        pWnd->Unbind();
        pWnd->m_bNcDestroyPending = true;
    }
    // A handler that destroys its own window (OnClose of an auto-deleting frame) is still running
    // further up the stack and touches the object when it returns: the object may go only once
    // the outermost message of the window has been handled.
    if (pWnd->m_bNcDestroyPending && pWnd->m_nDispatchDepth == 0) {
        pWnd->m_bNcDestroyPending = false;
        pWnd->PostNcDestroy();
    }
    return lResult;
}

LRESULT CWnd::DispatchGuarded(UINT message, WPARAM wParam, LPARAM lParam) {
    CurrentMessage saved = m_msgCur;
    m_msgCur = {message, wParam, lParam};
    LRESULT lResult = 0;
    try {
        lResult = WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's message dispatch.
        if (message == WM_CREATE)
            lResult = -1;
        else if (message == WM_NCCREATE)
            lResult = FALSE;
        if (s_pfnReportException)
            s_pfnReportException(std::current_exception());
    }
    m_msgCur = saved;
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper)
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_msgCur.message, m_msgCur.wParam, m_msgCur.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lParam));
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_SIZE: OnSize(static_cast<UINT>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_SETFOCUS: OnSetFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_COMMAND: return OnCommand(wParam, lParam) ? 0 : Default();
    case WM_INITMENUPOPUP: OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_CHAR: OnChar(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    default: return DefWindowProc(message, wParam, lParam);
    }
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) {
    return false;
}

int CWnd::OnCreate(CREATESTRUCTW*) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnSetFocus(HWND) {
    Default();
}
void CWnd::OnTimer(UINT_PTR) {
    Default();
}
void CWnd::OnInitMenuPopup(HMENU, UINT, BOOL) {
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnLButtonDown(UINT, POINT) {
    Default();
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    auto nID = static_cast<UINT>(LOWORD(wParam));
    if (HWND hCtl = reinterpret_cast<HWND>(lParam)) {
        // A control's notification: the control's own object may act on it (reflection).
        LRESULT lResult = 0;
        CWnd* pChild = FromHandle(hCtl);
        return pChild && pChild->OnChildNotify(WM_COMMAND, wParam, lParam, &lResult);
    }
    // A menu item or an accelerator: a command that is disabled right now does nothing, so
    // its accelerator is ignored just like its greyed menu item.
    CCmdUI state(nID);
    state.DoUpdate(this, true);
    if (!state.IsEnabled())
        return TRUE;
    return OnCmdMsg(nID, CN_COMMAND, nullptr);
}
