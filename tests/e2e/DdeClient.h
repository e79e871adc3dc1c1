#pragma once
// CDdeConversation: a DDE client of this test process, as the shell or any program opens one to
// ask the editor for a file: a message-only window that starts a conversation and keeps the last
// acknowledgement posted to it.
#include <windows.h>
#include <optional>
#include <string>

namespace e2e {

class CDdeConversation {
public:
    CDdeConversation();
    ~CDdeConversation();
    CDdeConversation(const CDdeConversation&) = delete;
    CDdeConversation& operator=(const CDdeConversation&) = delete;

    // Asks `server` (every top-level window by default, as a DDE client does) for the service and
    // topic; the server answers by sending its acknowledgement during the call.
    bool Initiate(const wchar_t* pszService, const wchar_t* pszTopic, HWND server = HWND_BROADCAST);

    // Posts an execute request holding exactly these bytes and waits for its acknowledgement;
    // returns its positive bit, or nullopt when none came (the server is gone or hung).
    std::optional<bool> Execute(const void* pBytes, size_t nBytes);
    std::optional<bool> Execute(const std::wstring& strCommand) {
        return Execute(strCommand.c_str(), (strCommand.size() + 1) * sizeof(wchar_t));
    }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    HWND m_hWndServer = nullptr;
    bool m_bAcked = false;
    bool m_bPositive = false;
};

} // namespace e2e
