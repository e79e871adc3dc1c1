#pragma once
// CModalScope: one modal dialog, common dialog or message box of the program, for as long as it
// runs. While the outermost one runs, the main window and every window it owns (the modeless
// dialogs, a floating pane) take no input, and the main window refuses close, end-session and open
// requests (CFrameWnd::InModalState); afterwards the window that was active before is again.
#include <windows.h>

class CModalScope {
public:
    CModalScope();
    ~CModalScope();
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

    // The window the modal one must be owned by: the main window, or for a box that a modal
    // dialog raises, that dialog (so the box sits over it). Null when the program has no window.
    HWND Owner() const { return m_hOwner; }

private:
    HWND m_hFrame = nullptr; // the main window whose modal state this scope holds
    HWND m_hOwner = nullptr;
};
