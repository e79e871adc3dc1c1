// Large files named on the command line: the window is on screen while the file is read, the status
// bar tells how far the work has got, and a file of one very long line (which the platform's edit
// control took minutes and gigabytes to lay out, and was refused for) opens.
#include "TessarinApp.h"
#include <string>
#include <vector>

using namespace e2e;

namespace {
// The program's main window once it is on screen (no wait for idle: start-up is still reading).
HWND VisibleMainWindow(const CTargetProcess& app) {
    for (HWND hwnd : app.TopLevelWindows())
        if (!::GetWindow(hwnd, GW_OWNER) && WindowClass(hwnd) != L"#32770")
            return hwnd;
    return nullptr;
}
} // namespace

TEST_F(TessarinE2E, AFileOfOneVeryLongLineOpens) {
    // 40 MB of one line: the platform's edit control took some 1.1 GB and 40 s; ours lays out the
    // line once, when it comes on screen.
    const std::wstring path = m_dir.File(L"one line.txt");
    WriteAllBytes(path, std::vector<unsigned char>(40u << 20, 'A'));
    ASSERT_TRUE(m_app.Start(TessarinExePath(), path, m_dir.Path()));
    HWND hWnd = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (hWnd = VisibleMainWindow(m_app)) != nullptr || !m_app.IsRunning(); }, 60000));
    ASSERT_NE(hWnd, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(hWnd) == L"one line.txt - Tessarin"; }, 120000))
        << "title: " << WindowText(hWnd).size();
    m_hWndMain = m_app.WaitForMainWindow();
    EXPECT_EQ(::SendMessageW(Edit(), WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(40u << 20));
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_TRUE(m_app.Close());
}

TEST_F(TessarinE2E, ALargeFileShowsTheWindowFirstAndTellsItsProgress) {
    // About 48 MB of Japanese in Shift_JIS (あいうえお..., lines of 50 characters): seconds of reading,
    // decoding and checking under Wine.
    std::vector<unsigned char> line;
    for (int i = 0; i < 10; ++i)
        line.insert(line.end(), {0x82, 0xA0, 0x82, 0xA2, 0x82, 0xA4, 0x82, 0xA6, 0x82, 0xA8});
    line.insert(line.end(), {'\r', '\n'});
    std::vector<unsigned char> bytes;
    bytes.reserve(48u << 20);
    while (bytes.size() + line.size() <= (48u << 20))
        bytes.insert(bytes.end(), line.begin(), line.end());
    const std::wstring path = m_dir.File(L"large.txt");
    WriteAllBytes(path, bytes);

    ASSERT_TRUE(m_app.Start(TessarinExePath(), path, m_dir.Path()));
    HWND hWnd = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (hWnd = VisibleMainWindow(m_app)) != nullptr || !m_app.IsRunning(); }, 60000));
    ASSERT_NE(hWnd, nullptr);
    // The window is up before the file is in: untitled, with the work told in the first pane.
    bool bUntitledOnScreen = false;
    std::vector<std::wstring> progress;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::wstring title = WindowText(hWnd);
            if (title == L"large.txt - Tessarin")
                return true;
            bUntitledOnScreen = bUntitledOnScreen || (::IsWindowVisible(hWnd) && title == L"無題 - Tessarin");
            HWND hBar = FindDescendant(hWnd, 0xE801, L"msctls_statusbar32");
            const std::wstring pane = hBar ? StatusPaneText(hBar, 0) : std::wstring();
            if (pane.find(L'%') != std::wstring::npos && (progress.empty() || progress.back() != pane))
                progress.push_back(pane);
            return false;
        },
        120000));
    EXPECT_TRUE(bUntitledOnScreen);
    ASSERT_FALSE(progress.empty()) << "no progress in the status bar";
    for (const std::wstring& text : progress)
        EXPECT_TRUE(text.starts_with(L"読み込み中… ") || text.starts_with(L"文字コードを変換中… ") ||
                    text.starts_with(L"内容を確認中… "))
            << text.size();
    m_hWndMain = m_app.WaitForMainWindow();
    // Once the text is in, the pane says what it says when idle, and the text is all there.
    HWND hBar = StatusBar();
    ASSERT_NE(hBar, nullptr);
    EXPECT_EQ(StatusPaneText(hBar, 0).find(L'%'), std::wstring::npos);
    EXPECT_EQ(::SendMessageW(Edit(), WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(bytes.size() / line.size() * 52));
    EXPECT_TRUE(m_app.Close());
}
