// The About box's link under the keyboard and where the box opens: tabbing to the link, pressing
// Space on it and tabbing away leave it drawn as the link it is, and the box opens centred on the
// main window.
#include "ScreenPixels.h"
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"
#include <algorithm>
#include <cstdlib>

using namespace e2e;

namespace {
bool IsAboutBox(HWND dlg) {
    return WindowText(dlg) == L"Tessarin のバージョン情報";
}

// How many pixels differ; every pixel when the sizes differ.
size_t DifferentPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i)
        n += a[i] != b[i];
    return n;
}

POINT Centre(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}
} // namespace

TEST_F(TessarinE2E, AboutBoxOpensCentredAndItsLinkStaysALinkUnderTheKeyboard) {
    ASSERT_NE(Launch(), nullptr);
    // Away from where a box without a position of its own would land.
    ASSERT_TRUE(::SetWindowPos(m_hWndMain, nullptr, 200, 150, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(m_app.PostCommand(ID_APP_ABOUT));
    HWND dlg = m_app.WaitForDialog(IsAboutBox);
    ASSERT_NE(dlg, nullptr);
    const POINT ptMain = Centre(m_hWndMain), ptDlg = Centre(dlg);
    EXPECT_LE(std::abs(ptDlg.x - ptMain.x), 1) << "box centre x " << ptDlg.x << ", window centre x " << ptMain.x;
    EXPECT_LE(std::abs(ptDlg.y - ptMain.y), 1) << "box centre y " << ptDlg.y << ", window centre y " << ptMain.y;

    HWND link = FindDescendant(dlg, IDC_ABOUT_LINK, L"Button");
    ASSERT_NE(link, nullptr);
    const std::vector<std::uint32_t> unfocused = SettledScreenPixels(link);
    ASSERT_FALSE(unfocused.empty());

    ASSERT_TRUE(m_app.PostKey(VK_TAB, m_app.FocusedWindow()));
    ASSERT_TRUE(WaitUntil([&] { return m_app.FocusedWindow() == link; }));
    const std::vector<std::uint32_t> focused = SettledScreenPixels(link);
    ASSERT_FALSE(focused.empty());

    // Space neither presses a button nor opens the page.
    ASSERT_TRUE(m_app.PostKey(VK_SPACE, link));
    EXPECT_EQ(DifferentPixels(SettledScreenPixels(link), focused), 0u) << "Space changed how the link looks";
    EXPECT_EQ(m_app.TopLevelWindows(L"#32770").size(), 1u);
    EXPECT_TRUE(::IsWindowEnabled(dlg));

    ASSERT_TRUE(m_app.PostKey(VK_TAB, link));
    ASSERT_TRUE(WaitUntil([&] { return m_app.FocusedWindow() != link; }));
    EXPECT_EQ(DifferentPixels(SettledScreenPixels(link), unfocused), 0u) << "something stayed drawn over the link";

    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(m_app.Close());
}
