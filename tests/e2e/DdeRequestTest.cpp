// DDE execute requests sent to the running editor from this second process, as any program may
// send them: a conversation with the service "Tessarin" and the topic "system" found by broadcast,
// requests posted in shared global memory, acknowledgements read back. A well-formed open request
// opens the file; a request that is unterminated, unknown or malformed is refused and leaves the
// document and its unsaved text alone.
#include "TessarinApp.h"
#include <dde.h>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace e2e;

namespace {

// A DDE client: a message-only window that keeps the last acknowledgement posted to it.
class CDdeConversation {
public:
    CDdeConversation() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &CDdeConversation::WndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TessarinE2EDdeClient";
        ::RegisterClassW(&wc); // fails harmlessly when an earlier test registered it
        m_hWnd =
            ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CDdeConversation() {
        if (m_hWndServer)
            ::PostMessageW(m_hWndServer, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
        ::DestroyWindow(m_hWnd);
    }
    CDdeConversation(const CDdeConversation&) = delete;
    CDdeConversation& operator=(const CDdeConversation&) = delete;

    // Asks every top-level window for the service and topic, as a DDE client does; the server
    // answers by sending its acknowledgement during the broadcast.
    bool Initiate(const wchar_t* pszService, const wchar_t* pszTopic) {
        ATOM atomApp = ::GlobalAddAtomW(pszService), atomTopic = ::GlobalAddAtomW(pszTopic);
        DWORD_PTR unused = 0;
        ::SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(m_hWnd),
                              MAKELPARAM(atomApp, atomTopic), SMTO_ABORTIFHUNG, kTimeoutMs, &unused);
        ::GlobalDeleteAtom(atomApp);
        ::GlobalDeleteAtom(atomTopic);
        return m_hWndServer != nullptr;
    }

    // Posts an execute request holding exactly these bytes and waits for its acknowledgement;
    // returns its positive bit, or nullopt when none came (the server is gone or hung).
    std::optional<bool> Execute(const void* pBytes, size_t nBytes) {
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
    std::optional<bool> Execute(const std::wstring& strCommand) {
        return Execute(strCommand.c_str(), (strCommand.size() + 1) * sizeof(wchar_t));
    }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
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

    HWND m_hWnd = nullptr;
    HWND m_hWndServer = nullptr;
    bool m_bAcked = false;
    bool m_bPositive = false;
};

} // namespace

TEST_F(TessarinE2E, DdeOpenRequestsAreCheckedAndMalformedOnesRefused) {
    WriteAllBytes(m_dir.File(L"a.txt"), std::vector<unsigned char>{'a', 'b', 'c'});
    ASSERT_NE(Launch(), nullptr);
    CDdeConversation dde;
    ASSERT_TRUE(dde.Initiate(L"Tessarin", L"system")) << "no server for Tessarin / system";

    // A well-formed request is carried out and acknowledged positively.
    EXPECT_EQ(dde.Execute(L"[open(\"" + m_dir.File(L"a.txt") + L"\")]"), std::optional<bool>(true));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"a.txt - Tessarin"; }));

    // Unsaved text, which no malformed request may touch.
    ASSERT_TRUE(m_app.TypeText(L"unsaved ", Edit()));
    const std::wstring strText = WindowText(Edit());
    ASSERT_EQ(strText, L"unsaved abc");

    // Units of "A" with no terminating zero, up to 1,048,512 of them: read past the block's end,
    // such a request crashed the program. Wine delivers a request of megabytes only once it has
    // passed smaller ones (a first one of 2 MB never reaches the window), so they grow.
    for (size_t nUnits : {1000u, 100000u, 300000u, 600000u, 1048512u}) {
        const std::wstring strUnterminated(nUnits, L'A');
        EXPECT_EQ(dde.Execute(strUnterminated.data(), strUnterminated.size() * sizeof(wchar_t)),
                  std::optional<bool>(false))
            << nUnits << " units";
        ASSERT_TRUE(m_app.IsRunning()) << "the program died on " << nUnits << " units";
    }
    // An open request cut before its zero.
    const std::wstring strOpen = L"[open(\"" + m_dir.File(L"a.txt") + L"\")]";
    EXPECT_EQ(dde.Execute(strOpen.data(), strOpen.size() * sizeof(wchar_t)), std::optional<bool>(false));
    // Commands the program does not know, and malformed ones, also after a good one.
    for (const std::wstring& strBad :
         {std::wstring(L"[print(\"") + m_dir.File(L"a.txt") + L"\")]", std::wstring(L"AAAA"),
          std::wstring(L"[open(\"") + m_dir.File(L"b.txt") + L"\")][bogus]",
          std::wstring(L"[open(\"") + m_dir.File(L"a.txt") + L"\")", std::wstring(L"[open(\"\")]"), std::wstring(L"")})
        EXPECT_EQ(dde.Execute(strBad), std::optional<bool>(false)) << "accepted: " << strBad.substr(0, 80);
    // Bytes that are not text at all, of odd and tiny sizes.
    const unsigned char noise[] = {0xFF, 0xFE, 0x5B, 0xD8, 0x00};
    EXPECT_EQ(dde.Execute(noise, 1), std::optional<bool>(false));
    EXPECT_EQ(dde.Execute(noise, 3), std::optional<bool>(false));

    // Still running, no question asked, the text untouched and still unsaved.
    ASSERT_TRUE(m_app.IsRunning()) << "the program died";
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_EQ(WindowText(Edit()), strText);
    EXPECT_EQ(ReadAllBytes(m_dir.File(L"a.txt")), (std::vector<unsigned char>{'a', 'b', 'c'}));
    ExitDiscarding();
}
