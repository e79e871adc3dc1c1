// Starting, watching and ending a program under test, and acting on its windows.
#include "Driver.h"
#include <shlobj.h> // DROPFILES

namespace e2e {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return condition();
        ::Sleep(pollMs);
    }
}

bool SendTimed(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!hwnd || !::SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, timeoutMs, &result))
        return false;
    if (pResult)
        *pResult = static_cast<LRESULT>(result);
    return true;
}

CTargetProcess::~CTargetProcess() {
    if (IsRunning())
        Kill();
}

namespace {
// With no window manager on the Xvfb display, Wine's X11 driver waits 2 s for a window manager to
// confirm every top-level window it hides ("wait_for_withdrawn_state ... wait timed out"), so each
// closed dialog and each program exit cost 2 s. Unmanaged windows are unmapped at once. The setting
// is per program file (AppDefaults), so other programs in the prefix keep the default; Windows
// ignores the key.
void UnmanageWindowsOf(const std::wstring& exe) {
    size_t slash = exe.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? exe : exe.substr(slash + 1);
    WriteUserString(L"Managed", L"N", L"Software\\Wine\\AppDefaults\\" + name + L"\\X11 Driver");
}
} // namespace

bool CTargetProcess::Start(const std::wstring& exe, const std::wstring& args, const std::wstring& dir) {
    UnmanageWindowsOf(exe);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!args.empty())
        commandLine += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    m_dwStartTick = ::GetTickCount();
    // CreateProcessW may write into the command line, so it gets a buffer of its own.
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          dir.empty() ? nullptr : dir.c_str(), &si, &pi))
        return false;
    m_hProcess.Attach(pi.hProcess);
    m_hThread.Attach(pi.hThread);
    m_dwProcessId = pi.dwProcessId;
    m_dwThreadId = pi.dwThreadId;
    m_hWndMain = nullptr;
    return true;
}

HWND CTargetProcess::WaitForMainWindow(const wchar_t* className, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : TopLevelWindows(className))
                if (!::GetWindow(hwnd, GW_OWNER)) {
                    found = hwnd;
                    return true;
                }
            return !IsRunning();
        },
        timeoutMs);
    if (!found)
        return nullptr;
    // Idle means the program has finished start-up and waits in its message loop.
    ::WaitForInputIdle(m_hProcess.Get(), timeoutMs);
    m_dwStartupMs = ::GetTickCount() - m_dwStartTick;
    m_hWndMain = found;
    return found;
}

bool CTargetProcess::IsRunning() const {
    return m_hProcess && ::WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT;
}

bool CTargetProcess::WaitForExit(DWORD timeoutMs) {
    return !m_hProcess || ::WaitForSingleObject(m_hProcess.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD CTargetProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_hProcess)
        ::GetExitCodeProcess(m_hProcess.Get(), &code);
    return code;
}

bool CTargetProcess::Close(DWORD timeoutMs) {
    if (!IsRunning())
        return true;
    if (m_hWndMain)
        ::PostMessageW(m_hWndMain, WM_CLOSE, 0, 0);
    return WaitForExit(timeoutMs);
}

void CTargetProcess::Kill() {
    if (!m_hProcess)
        return;
    ::TerminateProcess(m_hProcess.Get(), 1);
    ::WaitForSingleObject(m_hProcess.Get(), kTimeoutMs);
}

namespace {
struct TopLevelSearch {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<TopLevelSearch*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->processId && ::IsWindowVisible(hwnd) &&
        (!search->className || ::lstrcmpiW(WindowClass(hwnd).c_str(), search->className) == 0))
        search->found.push_back(hwnd);
    return TRUE;
}
} // namespace

std::vector<HWND> CTargetProcess::TopLevelWindows(const wchar_t* className) const {
    TopLevelSearch search{m_dwProcessId, className, {}};
    if (m_dwProcessId)
        ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND CTargetProcess::WaitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            // A dialog is found once it shows: between its creation and its first show a key
            // posted to it is still taken, but a wait for it to go would end at once.
            for (HWND hwnd : TopLevelWindows(L"#32770"))
                if (::IsWindowVisible(hwnd) && (!match || match(hwnd))) {
                    found = hwnd;
                    return true;
                }
            return false;
        },
        timeoutMs);
    return found;
}

HWND CTargetProcess::WaitForMessageBox(DWORD timeoutMs) const {
    return WaitForDialog(IsMessageBox, timeoutMs);
}

HWND CTargetProcess::WaitForFileDialog(DWORD timeoutMs) const {
    return WaitForDialog(IsFileDialog, timeoutMs);
}

bool CTargetProcess::WaitForWindowGone(HWND hwnd, DWORD timeoutMs) {
    return WaitUntil([&] { return !::IsWindow(hwnd) || !::IsWindowVisible(hwnd); }, timeoutMs);
}

HWND CTargetProcess::FocusedWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    DWORD thread = m_hWndMain ? ::GetWindowThreadProcessId(m_hWndMain, nullptr) : m_dwThreadId;
    return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

HWND CTargetProcess::FindInMain(const wchar_t* className, int ctlId) const {
    return m_hWndMain ? FindDescendant(m_hWndMain, ctlId, className) : nullptr;
}

bool CTargetProcess::PostCommand(UINT id, HWND target) const {
    HWND hwnd = target ? target : m_hWndMain;
    return hwnd && ::PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

namespace {
// Repeat count 1, plus the scan code that a real key stroke carries in bits 16-23.
LPARAM KeyLParam(WORD vk, bool up) {
    LPARAM lParam = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
    if (up)
        lParam |= (1u << 30) | (1u << 31);
    return lParam;
}
} // namespace

bool CTargetProcess::TypeText(const std::wstring& text, HWND target) const {
    HWND hwnd = target ? target : FocusedWindow();
    if (!hwnd)
        return false;
    for (wchar_t ch : text)
        if (!SendTimed(hwnd, WM_CHAR, ch == L'\n' ? L'\r' : ch, 1))
            return false;
    return true;
}

bool CTargetProcess::PostText(const std::wstring& text, HWND target) const {
    HWND hwnd = target ? target : FocusedWindow();
    if (!hwnd)
        return false;
    for (wchar_t ch : text)
        if (!::PostMessageW(hwnd, WM_CHAR, ch == L'\n' ? L'\r' : ch, 1))
            return false;
    return true;
}

bool CTargetProcess::PostKey(WORD vk, HWND target) const {
    HWND hwnd = target ? target : FocusedWindow();
    if (!hwnd || !::PostMessageW(hwnd, WM_KEYDOWN, vk, KeyLParam(vk, false)))
        return false;
    // The key down may have closed the window already (Escape in a dialog): its key up then has
    // nowhere to go, and the key was still pressed.
    return ::PostMessageW(hwnd, WM_KEYUP, vk, KeyLParam(vk, true)) || !::IsWindow(hwnd);
}

bool CTargetProcess::BringToFront() const {
    if (!m_hWndMain)
        return false;
    if (::GetForegroundWindow() != m_hWndMain)
        ::SetForegroundWindow(m_hWndMain);
    // The foreground changes at once; the editor takes the focus when it handles the activation,
    // later. Keys sent before that reach the window that had the focus, and a check that the focus
    // is still there would pass before they were even read.
    return WaitUntil([&] {
        HWND hFocus = FocusedWindow();
        return ::GetForegroundWindow() == m_hWndMain && (hFocus == m_hWndMain || ::IsChild(m_hWndMain, hFocus));
    }, 3000);
}

bool CTargetProcess::SendKeys(std::initializer_list<WORD> keys) const {
    if (!BringToFront())
        return false;
    std::vector<INPUT> inputs;
    for (WORD vk : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        --it;
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(*it, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

bool CTargetProcess::DropFiles(const std::vector<std::wstring>& paths, POINT pt, HWND target) {
    HWND hwnd = target ? target : m_hWndMain;
    if (!hwnd)
        return false;
    // DROPFILES, then each path with its terminating zero, then one more zero.
    std::vector<unsigned char> block(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(block.data());
    header->pFiles = sizeof(DROPFILES);
    header->pt = pt;
    header->fNC = FALSE;
    header->fWide = TRUE;
    for (const std::wstring& path : paths) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(path.c_str());
        block.insert(block.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
    }
    block.insert(block.end(), sizeof(wchar_t), 0);
    CRemoteMemory remote = Alloc(block.size());
    if (!remote || !remote.Write(block.data(), block.size()))
        return false;
    if (!::PostMessageW(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(remote.Get()), 0))
        return false;
    m_drops.push_back(std::move(remote));
    return true;
}

} // namespace e2e
