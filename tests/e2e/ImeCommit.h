#pragma once
// Commits text through a target program's input method from the test process: installs
// ImeCommitHook.dll as a message hook on the target's GUI thread (the DLL is built beside the
// tests) and posts it the texts to commit, in queue order with whatever else is posted.
#include "Driver.h"
#include <windows.h>
#include <string>
#include <vector>

namespace e2e {
class CImeCommitter {
public:
    // Hooks the GUI thread `dwThreadId` of `app`; check IsReady().
    CImeCommitter(const CTargetProcess& app, DWORD dwThreadId);
    ~CImeCommitter();
    CImeCommitter(const CImeCommitter&) = delete;
    CImeCommitter& operator=(const CImeCommitter&) = delete;

    bool IsReady() const { return m_hHook != nullptr; }
    // Posts a commit of `text` into window `hwnd` (the editor's EDIT control).
    bool PostCommit(HWND hwnd, const std::wstring& text);

private:
    const CTargetProcess& m_app;
    HMODULE m_hDll = nullptr;
    HHOOK m_hHook = nullptr;
    UINT m_nMessage = 0;
    std::vector<CRemoteMemory> m_texts; // live until the target has read them
};
} // namespace e2e
