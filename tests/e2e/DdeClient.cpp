// CDdeConversation: the DDE client the end-to-end tests open conversations with.
#include "DdeClient.h"
#include "Driver.h"
#include <dde.h>
#include <cstring>

namespace e2e {

CDdeConversation::CDdeConversation() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CDdeConversation::WndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TessarinE2EDdeClient";
    ::RegisterClassW(&wc); // fails harmlessly when an earlier conversation registered it
    m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CDdeConversation::~CDdeConversation() {
    if (m_hWndServer)
        ::PostMessageW(m_hWndServer, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
    ::DestroyWindow(m_hWnd);
}

bool CDdeConversation::Initiate(const wchar_t* pszService, const wchar_t* pszTopic, HWND server) {
    ATOM atomApp = ::GlobalAddAtomW(pszService), atomTopic = ::GlobalAddAtomW(pszTopic);
    DWORD_PTR unused = 0;
    ::SendMessageTimeoutW(server, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(m_hWnd), MAKELPARAM(atomApp, atomTopic),
                          SMTO_ABORTIFHUNG, kTimeoutMs, &unused);
    ::GlobalDeleteAtom(atomApp);
    ::GlobalDeleteAtom(atomTopic);
    return m_hWndServer != nullptr;
}

std::optional<bool> CDdeConversation::Execute(const void* pBytes, size_t nBytes) {
    HGLOBAL hData = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, nBytes);
    if (!hData)
        return std::nullopt;
    std::memcpy(::GlobalLock(hData), pBytes, nBytes);
    ::GlobalUnlock(hData);
    m_bAcked = false;
    if (!::PostMessageW(m_hWndServer, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(m_hWnd),
                        ::PackDDElParam(WM_DDE_EXECUTE, 0, reinterpret_cast<UINT_PTR>(hData)))) {
        ::GlobalFree(hData);
        return std::nullopt;
    }
    const bool bAcked = WaitUntil([&] {
        MSG msg;
        while (::PeekMessageW(&msg, m_hWnd, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        return m_bAcked;
    });
    // The block comes back with the acknowledgement; the client frees it either way. Without an
    // answer, Wine has already copied it to the server.
    ::GlobalFree(hData);
    if (!bAcked)
        return std::nullopt;
    return m_bPositive;
}

LRESULT CALLBACK CDdeConversation::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CDdeConversation*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (message != WM_DDE_ACK || !self)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    if (!self->m_hWndServer) {
        // The answer to the initiate: two atoms, which now belong to the client.
        self->m_hWndServer = reinterpret_cast<HWND>(wParam);
        ::GlobalDeleteAtom(LOWORD(lParam));
        ::GlobalDeleteAtom(HIWORD(lParam));
        return 0;
    }
    UINT_PTR status = 0, hData = 0;
    ::UnpackDDElParam(WM_DDE_ACK, lParam, &status, &hData);
    ::FreeDDElParam(WM_DDE_ACK, lParam);
    self->m_bPositive = (status & 0x8000) != 0;
    self->m_bAcked = true;
    return 0;
}

} // namespace e2e
