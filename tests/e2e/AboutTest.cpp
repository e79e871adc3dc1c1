// The About box as the user meets it: opened from the help menu's command over the main window, with
// the program's name and version and the link, closed with OK and opened again.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"
#include <algorithm>

using namespace e2e;

namespace {
bool IsAboutBox(HWND dlg) {
    return WindowText(dlg) == L"Tessarin のバージョン情報";
}
} // namespace

TEST_F(TessarinE2E, AboutBoxOpensOverTheMainWindowAndClosesWithOk) {
    ASSERT_NE(Launch(), nullptr);
    for (int nTime = 0; nTime < 2; ++nTime) {
        ASSERT_TRUE(m_app.PostCommand(ID_APP_ABOUT));
        HWND dlg = m_app.WaitForDialog(IsAboutBox);
        ASSERT_NE(dlg, nullptr) << "opening " << nTime;
        EXPECT_EQ(::GetWindow(dlg, GW_OWNER), m_hWndMain);
        EXPECT_FALSE(::IsWindowEnabled(m_hWndMain)); // modal

        std::vector<std::wstring> texts;
        for (HWND child : Descendants(dlg, L"Static"))
            texts.push_back(WindowText(child));
        EXPECT_NE(std::find(texts.begin(), texts.end(), L"Tessarin Version 0.82 beta"), texts.end());
        HWND link = FindDescendant(dlg, IDC_ABOUT_LINK, L"Button");
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(::IsWindowVisible(link));
        EXPECT_EQ(DialogButtons(dlg), (std::vector<int>{IDOK, IDC_ABOUT_LINK}));

        ASSERT_TRUE(PressButton(dlg, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_hWndMain) != FALSE; }));
    }
    ASSERT_TRUE(m_app.Close());
    EXPECT_EQ(m_app.ExitCode(), 0u);
}

TEST_F(TessarinE2E, AboutBoxClosesWithEscape) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_APP_ABOUT));
    HWND dlg = m_app.WaitForDialog(IsAboutBox);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(m_app.PostKey(VK_ESCAPE, dlg));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    EXPECT_TRUE(m_app.IsRunning());
    ASSERT_TRUE(m_app.Close());
}
