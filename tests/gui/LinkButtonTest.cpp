// The About box's link, on the real dialog and on a plain push button: drawn blue and underlined, dark
// blue at once when clicked, the pointing hand from the program's resources, presses and keys that do
// nothing, and the two messages of a failed shell open.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>
#include <thread>
#include "TestFiles.h"
#include "app/AboutDlg.h"
#include "app/LinkButton.h"
#include "res/resource.h"

namespace {

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool WaitFor(const std::function<bool()>& cond, DWORD dwTimeoutMs = 10000) {
    DWORD dwStart = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        ::Sleep(10);
    }
    return true;
}

// How many pixels of the window's client area have this colour, as painted now.
int CountPixels(HWND hWnd, COLORREF color) {
    ::UpdateWindow(hWnd);
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    HDC hDC = ::GetDC(hWnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x)
            n += ::GetPixel(hDC, x, y) == color ? 1 : 0;
    ::ReleaseDC(hWnd, hDC);
    return n;
}

std::wstring WindowText(HWND hWnd) {
    std::wstring str(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    str.resize(static_cast<size_t>(::GetWindowTextW(hWnd, str.data(), static_cast<int>(str.size()))));
    return str;
}

// A shown top-level window with one push button that a CLinkButton takes over.
class CLinkHost {
public:
    explicit CLinkHost(const std::wstring& strTarget) : m_link(strTarget, L"example link") {
        m_hWnd = ::CreateWindowExW(0, L"#32770", L"link host", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50, 300, 100,
                                   nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ::CreateWindowExW(0, L"BUTTON", L"URL", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 10, 200, 20,
                          m_hWnd, reinterpret_cast<HMENU>(IDC_ABOUT_LINK), ::GetModuleHandleW(nullptr), nullptr);
        m_link.SubclassDlgItem(IDC_ABOUT_LINK, m_hWnd);
        Pump();
    }
    ~CLinkHost() { ::DestroyWindow(m_hWnd); }

    // Releases the left button over the link while a second thread answers the message box that
    // the failed open raises; returns that box's text (empty when none came).
    std::wstring ClickExpectingMessage() {
        const DWORD dwThread = ::GetCurrentThreadId();
        std::wstring strText;
        std::thread answer([&] {
            HWND hBox = nullptr;
            WaitFor([&] {
                ::EnumThreadWindows(
                    dwThread,
                    [](HWND hWnd, LPARAM lParam) -> BOOL {
                        if (::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, 0xFFFF)) {
                            *reinterpret_cast<HWND*>(lParam) = hWnd;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&hBox));
                return hBox != nullptr;
            });
            if (!hBox)
                return;
            strText = WindowText(::GetDlgItem(hBox, 0xFFFF));
            m_nColorWhileAsking = CountPixels(m_link.m_hWnd, RGB(0, 0, 150));
            ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        ::SendMessageW(m_link.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        answer.join();
        return strText;
    }

    HWND m_hWnd = nullptr;
    CLinkButton m_link;
    int m_nColorWhileAsking = -1;
};

} // namespace

TEST(AboutBox, ShowsItsTextsAndTakesOverTheLink) {
    CAboutDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_ABOUTBOX));
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    Pump();
    EXPECT_EQ(WindowText(dlg.m_hWnd), L"Tessarin のバージョン情報");
    HWND hLink = dlg.GetDlgItem(IDC_ABOUT_LINK);
    ASSERT_NE(hLink, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hLink), &dlg.Link());
    EXPECT_EQ(dlg.Link().GetTarget(), L"https://tessarin.example.org/");
    EXPECT_TRUE(::GetWindowLongW(hLink, GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(dlg.Link().IsClicked());
    EXPECT_GT(CountPixels(hLink, RGB(0, 0, 255)), 20); // the address, in blue
    EXPECT_EQ(CountPixels(hLink, RGB(0, 0, 150)), 0);

    bool bVersion = false;
    for (HWND h = ::GetWindow(dlg.m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        bVersion = bVersion || WindowText(h) == L"Tessarin Version 0.82 beta";
    EXPECT_TRUE(bVersion);
    dlg.EndDialog(IDOK);
}

TEST(LinkButton, ShowsThePointingHandFromTheResources) {
    CLinkHost host(L"unused");
    ::SetCursor(nullptr);
    LRESULT lHandled = ::SendMessageW(host.m_link.m_hWnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(host.m_link.m_hWnd),
                                      MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(lHandled, TRUE);
    HCURSOR hHand = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    ASSERT_NE(hHand, nullptr);
    EXPECT_EQ(::GetCursor(), hHand);
}

TEST(LinkButton, PressesAndTheSpaceKeyDoNothing) {
    CLinkHost host(L"unused");
    HWND hLink = host.m_link.m_hWnd;
    ::SetFocus(host.m_hWnd);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_NCRBUTTONDOWN}) {
        ::SendMessageW(hLink, message, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(::SendMessageW(hLink, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << message;
        EXPECT_NE(::GetFocus(), hLink) << message;
        EXPECT_EQ(::GetCapture(), nullptr) << message;
    }
    // The keyboard reaches the button (it keeps its tab stop) but only a mouse release opens the page.
    ::SetFocus(hLink);
    ::SendMessageW(hLink, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageW(hLink, WM_KEYUP, VK_SPACE, 0xC0390001);
    Pump();
    EXPECT_FALSE(host.m_link.IsClicked());
    EXPECT_EQ(CountPixels(hLink, RGB(0, 0, 150)), 0);
    ::ReleaseCapture();
}

TEST(LinkButton, AClickTurnsDarkBlueAtOnceAndAMissingTargetIsReported) {
    CTempDir dir;
    CLinkHost host(dir.File(L"no such folder\\page.html"));
    EXPECT_GT(CountPixels(host.m_link.m_hWnd, RGB(0, 0, 255)), 20);
    EXPECT_EQ(host.ClickExpectingMessage(), L"Unable to connect to the required URL");
    EXPECT_GT(host.m_nColorWhileAsking, 20); // already dark blue while the failure is shown
    EXPECT_TRUE(host.m_link.IsClicked());
    EXPECT_EQ(CountPixels(host.m_link.m_hWnd, RGB(0, 0, 255)), 0);
    EXPECT_TRUE(::IsWindow(host.m_hWnd));
}

TEST(LinkButton, AFileWithoutAProgramIsReportedAsNoBrowser) {
    CTempDir dir;
    std::wstring strPath = dir.File(L"page.tessarin-no-such-type");
    WriteAllBytes(strPath, "x", 1);
    CLinkHost host(strPath);
    EXPECT_EQ(host.ClickExpectingMessage(), L"Unable to launch the browser, Check browsersettings.\n");
    EXPECT_TRUE(host.m_link.IsClicked());
}
