// The Font dialog opens on the font the view really shows, also when the stored face does not
// exist on the system, so OK without a change leaves the view's font as it was.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"

using namespace e2e;

namespace {
// The font dialog's face and size lists (cmb1, cmb3 in <dlgs.h>).
constexpr int kFaceCombo = 0x470;
constexpr int kSizeCombo = 0x472;

bool IsFontDialog(HWND dlg) {
    return FindDescendant(dlg, kSizeCombo, L"ComboBox") != nullptr;
}
} // namespace

TEST_F(TessarinE2E, FontDialogOpensOnTheShownFontWhenTheStoredFaceIsMissing) {
    ASSERT_TRUE(WriteUserString(L"lfFaceName", L"No Such Face Tessarin"));
    ASSERT_TRUE(WriteUserDword(L"iPointSize", 120));
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_FORMAT_FONT));
    HWND dlg = m_app.WaitForDialog(IsFontDialog);
    ASSERT_NE(dlg, nullptr);
    HWND face = FindDescendant(dlg, kFaceCombo, L"ComboBox");
    ASSERT_NE(face, nullptr);
    std::wstring strFace;
    ASSERT_TRUE(WaitUntil([&] {
        strFace = WindowText(face);
        return !strFace.empty();
    }));
    EXPECT_NE(strFace, L"No Such Face Tessarin");
    EXPECT_NE(strFace[0], L'@') << "a vertical face";
    EXPECT_EQ(WindowText(FindDescendant(dlg, kSizeCombo, L"ComboBox")), L"12");

    // OK without a change keeps the size, and the face shown is the one stored.
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(m_app.Close());
    EXPECT_EQ(ReadUserDword(L"iPointSize"), 120u);
    EXPECT_EQ(ReadUserString(L"lfFaceName"), strFace);
}
