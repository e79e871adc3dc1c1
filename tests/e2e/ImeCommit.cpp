// CImeCommitter: the test side of ImeCommitHook.dll.
#include "ImeCommit.h"

namespace e2e {
CImeCommitter::CImeCommitter(const CTargetProcess& app, DWORD dwThreadId) : m_app(app) {
    m_nMessage = ::RegisterWindowMessageW(L"TessarinE2E.ImeCommit");
    // Beside E2ETests.exe; the hook keeps the full path, by which the target loads it.
    m_hDll = ::LoadLibraryW(L"ImeCommitHook.dll");
    if (!m_hDll)
        return;
    auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(m_hDll, "ImeCommitGetMsgProc")));
    if (proc)
        m_hHook = ::SetWindowsHookExW(WH_GETMESSAGE, proc, m_hDll, dwThreadId);
}

CImeCommitter::~CImeCommitter() {
    if (m_hHook)
        ::UnhookWindowsHookEx(m_hHook);
    if (m_hDll)
        ::FreeLibrary(m_hDll);
}

bool CImeCommitter::PostCommit(HWND hwnd, const std::wstring& text) {
    if (!m_hHook || text.empty())
        return false;
    CRemoteMemory block = m_app.Alloc((text.size() + 1) * sizeof(wchar_t));
    if (!block || !block.Write(text.c_str(), text.size() * sizeof(wchar_t)))
        return false;
    const auto address = reinterpret_cast<WPARAM>(block.Get());
    m_texts.push_back(std::move(block));
    return ::PostMessageW(hwnd, m_nMessage, address, static_cast<LPARAM>(text.size())) != FALSE;
}
} // namespace e2e
