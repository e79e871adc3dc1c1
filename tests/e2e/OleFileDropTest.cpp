// End-to-end checks of files dragged from the shell onto the text: the view's OLE drop target takes
// a file list and the file opens exactly as a WM_DROPFILES on the main window opens it (the same
// save question), and a folder is refused as a folder, by both ways in.
#include "OleDrop.h"
#include "TessarinApp.h"

using namespace e2e;

class OleFileDropE2E : public TessarinE2E {
protected:
    POINT ViewCentre() const {
        RECT rc{};
        ::GetWindowRect(Edit(), &rc);
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }
    // Drops `path` on the view through OLE; the view must accept it as a copy.
    void OleDrop(const std::wstring& path) {
        ASSERT_TRUE(m_app.BringToFront());
        const OleDropResult result = OleDropFiles({path}, ViewCentre());
        EXPECT_EQ(result.hr, DRAGDROP_S_DROP);
        ASSERT_EQ(result.dwEffect, static_cast<DWORD>(DROPEFFECT_COPY)) << "the view refused the file list";
    }
    // The message box that comes up, its text, and the box answered with `button`.
    std::wstring Answer(int button) {
        HWND box = m_app.WaitForMessageBox();
        if (!box)
            return L"<no message box>";
        std::wstring text = MessageBoxText(box);
        EXPECT_TRUE(PressButton(box, button));
        EXPECT_TRUE(CTargetProcess::WaitForWindowGone(box));
        return text;
    }
};

TEST_F(OleFileDropE2E, AFileDraggedOntoTheTextOpensAsADropOnTheWindowDoes) {
    const std::wstring file = m_dir.File(L"dropped.txt");
    WriteAllBytes(file, {'f', 'r', 'o', 'm', ' ', 'd', 'i', 's', 'k'});
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"unsaved", Edit()));

    // The same question both ways; Cancel keeps the text.
    ASSERT_TRUE(m_app.DropFiles({file}));
    const std::wstring frameQuestion = Answer(IDCANCEL);
    ASSERT_NO_FATAL_FAILURE(OleDrop(file));
    const std::wstring viewQuestion = Answer(IDCANCEL);
    EXPECT_EQ(viewQuestion, frameQuestion);
    EXPECT_NE(frameQuestion.find(L"変更を保存しますか"), std::wstring::npos) << testing::PrintToString(frameQuestion);
    EXPECT_EQ(WindowText(Edit()), L"unsaved");

    // No: the dropped file opens.
    ASSERT_NO_FATAL_FAILURE(OleDrop(file));
    Answer(IDNO);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"dropped.txt - Tessarin"; }));
    EXPECT_EQ(WindowText(Edit()), L"from disk");
    ExitDiscarding();
}

TEST_F(OleFileDropE2E, AFolderDroppedSaysItIsAFolder) {
    const std::wstring folder = m_dir.File(L"a folder");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_NE(Launch(), nullptr);
    ASSERT_NO_FATAL_FAILURE(OleDrop(folder));
    const std::wstring viewText = Answer(IDOK);
    ASSERT_TRUE(m_app.DropFiles({folder}));
    const std::wstring frameText = Answer(IDOK);
    for (const std::wstring& text : {viewText, frameText}) {
        EXPECT_NE(text.find(L"フォルダーは開けません"), std::wstring::npos) << testing::PrintToString(text);
        EXPECT_NE(text.find(folder), std::wstring::npos) << testing::PrintToString(text);
        EXPECT_EQ(text.find(L"拒否"), std::wstring::npos) << testing::PrintToString(text);
    }
    EXPECT_EQ(WindowText(m_hWndMain), L"無題 - Tessarin");
    ExitDiscarding();
}
