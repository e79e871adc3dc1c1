// CModalScope: the main window's modal state for the lifetime of one modal window, and the owner
// that modal window gets.
#include "framework/ModalScope.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

namespace {
bool IsOwnEnabledWindow(HWND hWnd) {
    return hWnd && ::IsWindow(hWnd) && ::IsWindowEnabled(hWnd) &&
           ::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId();
}
} // namespace

CModalScope::CModalScope() {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr;
    if (!pFrame || !pFrame->m_hWnd) {
        m_hOwner = ::GetActiveWindow();
        return;
    }
    // A modal window raised by another one (a message box of a modal dialog) is owned by that one,
    // which the dialog or box code disables in turn.
    HWND hActive = ::GetActiveWindow();
    const bool bNested = pFrame->InModalState();
    m_hOwner = bNested && IsOwnEnabledWindow(hActive) ? hActive : pFrame->m_hWnd;
    m_hFrame = pFrame->m_hWnd;
    pFrame->BeginModalState();
}

CModalScope::~CModalScope() {
    // The frame object may be gone by now; its window then is too.
    if (auto* pFrame = m_hFrame ? dynamic_cast<CFrameWnd*>(CWnd::FromHandle(m_hFrame)) : nullptr)
        pFrame->EndModalState();
}
