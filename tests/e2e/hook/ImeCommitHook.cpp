// ImeCommitHook.dll: a message hook that the end-to-end tests install on the editor's GUI thread.
// An input method context belongs to the process of its window, so a commit can only be made from
// inside the editor: the test writes the text into the editor's memory and posts the hook's
// message to the window; the hook, called as the editor's loop takes that message from its queue,
// commits the text through the real input method path (ImmSetCompositionStringW, then ImmNotifyIME
// with CPS_COMPLETE), in the queue's order with the keys and characters posted around it.
#include <windows.h>
#include <imm.h>
#include <string>

namespace {
UINT CommitMessage() {
    static const UINT nMessage = ::RegisterWindowMessageW(L"TessarinE2E.ImeCommit");
    return nMessage;
}

void Commit(HWND hWnd, const std::wstring& text) {
    HIMC hImc = ::ImmGetContext(hWnd);
    if (!hImc)
        return;
    ::ImmSetOpenStatus(hImc, TRUE);
    ::ImmSetCompositionStringW(hImc, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                               static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
    ::ImmNotifyIME(hImc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
    ::ImmReleaseContext(hWnd, hImc);
}
} // namespace

// The message's wParam is the text's address in this process, lParam its length in UTF-16 units.
extern "C" __declspec(dllexport) LRESULT CALLBACK ImeCommitGetMsgProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION && wParam == PM_REMOVE) {
        auto* pMsg = reinterpret_cast<MSG*>(lParam);
        if (pMsg->message == CommitMessage() && pMsg->wParam) {
            const std::wstring text(reinterpret_cast<const wchar_t*>(pMsg->wParam), static_cast<size_t>(pMsg->lParam));
            pMsg->message = WM_NULL; // nobody else acts on it
            Commit(pMsg->hwnd, text);
        }
    }
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
