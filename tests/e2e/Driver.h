#pragma once
// Drives a real program from a second process for end-to-end tests: starts it, waits for its
// windows, reads what they show and acts on them with window messages and injected input; every
// program it starts is ended by the time the driver object goes.
//
// What is reliable under Wine 8 on Xvfb (measured against a real program; see README.md):
// - Commands: PostCommand (a posted WM_COMMAND) reaches the program's command routing exactly as a
//   menu click does. Prefer it to keys whenever the test is not about the keys themselves.
// - Text: TypeText sends WM_CHAR to the target control synchronously, so the text is in the control
//   when it returns; PostText posts them through the program's message loop (wait for the result).
// - Plain keys (F3, F5, arrows, Delete): PostKey posts WM_KEYDOWN/WM_KEYUP through the program's
//   loop, so TranslateAccelerator sees them; TranslateMessage also turns a posted letter key into a
//   WM_CHAR (PostKey('Q') types "q").
// - Keys with Ctrl/Shift/Alt: a posted WM_KEYDOWN does not change the target's keyboard state, so
//   TranslateAccelerator reads Ctrl as up: a posted Ctrl+O types "o". SendKeys brings the main window
//   to the foreground (SetForegroundWindow from another process works under Wine) and injects real
//   key strokes with SendInput; the wineserver delivers them to the foreground thread with its
//   keyboard state updated, so accelerators such as Ctrl+O work.
// - Menus: under Wine a menu is an object of the process that made it. GetMenu returns the handle,
//   but GetMenuItemCount, GetSubMenu and GetMenuState fail on it from here, so check marks cannot be
//   read; see WindowQuery.h.
// - Dropped files: DropFiles writes the DROPFILES block into the target with VirtualAllocEx and posts
//   WM_DROPFILES with its address as the HDROP. Wine's GlobalLock hands a plain pointer back as it is
//   and DragFinish's GlobalFree of it fails harmlessly, so DragQueryFileW in the target reads the
//   list. This relies on Wine's handling of non-handle pointers; it is not a method for Windows.
#include "RemoteMemory.h"
#include "framework/Handles.h"
#include <windows.h>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

constexpr DWORD kTimeoutMs = 10000;

// Checks `condition` every `pollMs` until it holds or `timeoutMs` has passed; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs, DWORD pollMs = 10);

// SendMessageTimeout that gives up when the target does not answer within `timeoutMs`.
bool SendTimed(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult = nullptr,
               DWORD timeoutMs = kTimeoutMs);

// A program under test. Not copyable; the destructor kills the program when it still runs and waits
// until it has ended.
class CTargetProcess {
public:
    CTargetProcess() = default;
    ~CTargetProcess();
    CTargetProcess(const CTargetProcess&) = delete;
    CTargetProcess& operator=(const CTargetProcess&) = delete;

    // Starts `exe` with the command line "exe" + " " + args (no space when args is empty), in the
    // folder `dir` (ours when empty). False when CreateProcessW fails. Under Wine it first marks the
    // program's windows unmanaged (HKCU\Software\Wine\AppDefaults\<file name>\X11 Driver,
    // Managed=N): without a window manager every hidden top-level window otherwise costs 2 s.
    bool Start(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& dir = L"");
    // Waits for a visible, unowned top-level window of the process (of class `className` when given)
    // and for the program to be idle; remembers and returns it (null on timeout).
    HWND WaitForMainWindow(const wchar_t* className = nullptr, DWORD timeoutMs = kTimeoutMs);
    // Milliseconds from CreateProcessW to an idle main window, as measured by WaitForMainWindow.
    DWORD StartupMs() const { return m_dwStartupMs; }

    HWND MainWindow() const { return m_hWndMain; }
    HANDLE Handle() const { return m_hProcess.Get(); }
    DWORD Id() const { return m_dwProcessId; }
    DWORD MainThreadId() const { return m_dwThreadId; }

    bool IsRunning() const;
    bool WaitForExit(DWORD timeoutMs = kTimeoutMs);
    DWORD ExitCode() const;
    // Posts WM_CLOSE to the main window and waits for the process to end. False when it still runs,
    // for example because a save-changes question is now shown.
    bool Close(DWORD timeoutMs = kTimeoutMs);
    // Ends the process at once and waits for it.
    void Kill();

    // Visible top-level windows of the process, of class `className` when given, topmost first.
    std::vector<HWND> TopLevelWindows(const wchar_t* className = nullptr) const;
    // Waits for a visible dialog (class "#32770") of the process for which `match` holds (any when
    // empty); null on timeout.
    HWND WaitForDialog(const std::function<bool(HWND)>& match = {}, DWORD timeoutMs = kTimeoutMs) const;
    // A message box: a dialog with the message box's text control (id 0xFFFF).
    HWND WaitForMessageBox(DWORD timeoutMs = kTimeoutMs) const;
    // The Open or Save As common dialog (recognised by its file-name and file-type controls).
    HWND WaitForFileDialog(DWORD timeoutMs = kTimeoutMs) const;
    // True once `hwnd` is destroyed or hidden.
    static bool WaitForWindowGone(HWND hwnd, DWORD timeoutMs = kTimeoutMs);
    // No dialog of the process is shown.
    bool HasNoDialog() const { return TopLevelWindows(L"#32770").empty(); }

    // The window that has the keyboard focus in the program's GUI thread (null when none).
    HWND FocusedWindow() const;
    // The first descendant of the main window of class `className` (e.g. L"Edit", L"msctls_statusbar32").
    HWND FindInMain(const wchar_t* className, int ctlId = -1) const;

    // Posts WM_COMMAND(id) to the main window (or `target`), as a menu item or accelerator does.
    bool PostCommand(UINT id, HWND target = nullptr) const;
    // Sends each character as WM_CHAR to `target` (the focused window when null); returns when all are
    // handled. "\n" is sent as a carriage return, the character the Enter key produces.
    bool TypeText(const std::wstring& text, HWND target = nullptr) const;
    // Posts each character as WM_CHAR through the program's message loop.
    bool PostText(const std::wstring& text, HWND target = nullptr) const;
    // Posts WM_KEYDOWN and WM_KEYUP of a virtual key to `target` (the focused window when null).
    bool PostKey(WORD vk, HWND target = nullptr) const;
    // Brings the main window to the foreground and waits until it is there.
    bool BringToFront() const;
    // Injects a key chord with SendInput: the keys go down in order and come up in reverse, e.g.
    // SendKeys({VK_CONTROL, 'O'}). The main window is brought to the foreground first.
    bool SendKeys(std::initializer_list<WORD> keys) const;

    // Delivers a drop of `paths` to `target` (the main window when null) at client point `pt`.
    bool DropFiles(const std::vector<std::wstring>& paths, POINT pt = {20, 20}, HWND target = nullptr);

    // A zeroed block of `bytes` in the program's memory.
    CRemoteMemory Alloc(size_t bytes) const { return CRemoteMemory(m_hProcess.Get(), bytes); }

private:
    CKernelHandle m_hProcess;
    CKernelHandle m_hThread;
    DWORD m_dwProcessId = 0;
    DWORD m_dwThreadId = 0;
    DWORD m_dwStartTick = 0;
    DWORD m_dwStartupMs = 0;
    HWND m_hWndMain = nullptr;
    std::vector<CRemoteMemory> m_drops; // DROPFILES blocks live until the program has read them
};

} // namespace e2e

#include "Dialogs.h"
#include "Registry.h"
#include "WindowQuery.h"
