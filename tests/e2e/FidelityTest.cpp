// The editor tells before anything is lost: a file named on the command line that would not come
// back as it was brings a warning over the shown window, and Ctrl+S on it asks, writing nothing on
// the default answer; an emoji in a new Shift_JIS document is asked about before the file is made.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"

using namespace e2e;

namespace {
bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// The button with the default-button style: the one Enter presses.
int DefaultButton(HWND box) {
    for (int id : DialogButtons(box))
        if ((::GetWindowLongW(::GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return id;
    return 0;
}

std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST_F(TessarinE2E, OpenWarningThenSaveAskedBothWays) {
    std::wstring path = m_dir.File(L"mixed.txt");
    const std::string original = "\xE3\x81\x82\r\nbc\nd\r\n"; // あ CR LF bc LF d CR LF
    WriteAllBytes(path, Bytes(original));
    ASSERT_NE(Launch(path), nullptr);

    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Tessarin");
    EXPECT_EQ(::GetWindow(box, GW_OWNER), m_hWndMain) << "owned by the shown main window";
    EXPECT_TRUE(::IsWindowVisible(m_hWndMain));
    EXPECT_EQ(WindowText(Edit()), L"あ\r\nbc\r\nd\r\n") << "the text is in the window first";
    std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"mixed.txt")) << text;
    EXPECT_TRUE(Contains(text, L"改行コードが混在しています")) << text;
    EXPECT_TRUE(Contains(text, L"2 行、3 列")) << text;
    EXPECT_EQ(DialogButtons(box), std::vector<int>{IDOK});
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));

    // Ctrl+S: the question, answered with Enter, which presses the default button.
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'S'}));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogButtons(box), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(DefaultButton(box), IDNO);
    EXPECT_TRUE(Contains(MessageBoxText(box), L"改行コードが混在しています"));
    ASSERT_TRUE(m_app.PostKey(VK_RETURN, box));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0)); // the save has returned
    EXPECT_TRUE(m_app.HasNoDialog()) << "a refused save shows no error";
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    EXPECT_EQ(m_dir.List(), std::vector<std::wstring>{L"mixed.txt"});

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDYES));
    // Waited for through the program's own loop, not by polling the file: a reader that does not
    // share deletion would make the save's file replacement fail.
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_EQ(ReadAllBytes(path), Bytes("\xE3\x81\x82\r\nbc\r\nd\r\n"));
    ASSERT_TRUE(m_app.Close());
}

TEST_F(TessarinE2E, EmojiInANewShiftJisDocumentAskedBothWays) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"a\U0001F600b"));
    std::wstring path = m_dir.File(L"new.txt");

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE_AS));
    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetFileName(dlg, path));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"Shift-JIS")) << text;
    EXPECT_TRUE(Contains(text, L"1 個")) << text;
    EXPECT_TRUE(Contains(text, L"\U0001F600 (U+1F600)、1 行、2 列")) << text;
    EXPECT_EQ(DefaultButton(box), IDNO);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_TRUE(m_dir.List().empty()) << "nothing written";
    EXPECT_EQ(WindowText(m_hWndMain), L"無題 - Tessarin");

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE)); // still untitled: the dialog again
    dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetFileName(dlg, path));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"new.txt - Tessarin"; }));
    EXPECT_EQ(ReadAllBytes(path), Bytes("ab"));
    ASSERT_TRUE(m_app.Close());
}

TEST_F(TessarinE2E, AReloadThroughTheWatchWarnsAfterTheNewTextIsIn) {
    std::wstring path = m_dir.File(L"watched.txt");
    WriteAllBytes(path, Bytes("\xE3\x81\x82\nb\n"));
    ASSERT_NE(Launch(path), nullptr);
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(m_app.HasNoDialog()) << "a file that comes back identical shows nothing";

    // Another program writes a NUL into the file: the watch asks, the reload reads it, then warns.
    WriteAllBytes(path, Bytes(std::string("\xE3\x81\x82\nb\nc", 7) + std::string(1, '\0') + "d\n"));
    HWND box = m_app.WaitForMessageBox(15000);
    ASSERT_NE(box, nullptr) << "the watch did not ask";
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no warning after the reload";
    EXPECT_EQ(WindowText(Edit()), L"あ\r\nb\r\nc");
    std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"NUL")) << text;
    EXPECT_TRUE(Contains(text, L"3 行、2 列")) << text;
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(m_app.Close());
}

// A question about saving names the encoding the save writes: a Shift_JIS file (found by
// detection) is written as Shift-JIS, not as the Open list's "auto-detect" entry.
TEST_F(TessarinE2E, TheSaveQuestionNamesTheEncodingTheSaveWrites) {
    std::wstring path = m_dir.File(L"sjis.txt");
    const std::string original = "\x8A\xBF\x8E\x9A\r\n"; // 漢字 CR LF
    WriteAllBytes(path, Bytes(original));
    ASSERT_NE(Launch(path), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"漢字\r\n"; }));
    ASSERT_TRUE(m_app.TypeText(L"\U0001F600", Edit()));

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"Shift-JIS では元のとおりに保存できない文字が 1 個")) << text;
    EXPECT_FALSE(Contains(text, L"自動判別")) << text;
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    ExitDiscarding();
}

// A character behind an ISO-2022 single shift cannot be shown and is left out: the open warning
// says so, where it stood, and so does the question before a save over the file.
TEST_F(TessarinE2E, ACharacterDroppedBehindASingleShiftIsNamedWhereItStood) {
    std::wstring path = m_dir.File(L"shift.txt");
    const std::string original = "\x1B$B%I\x1B(B \x1B.A\x1BNW\n"; // ド, a blank, then × through SS2
    WriteAllBytes(path, Bytes(original));
    ASSERT_NE(Launch(path), nullptr);

    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(Edit()), L"ド \r\n");
    std::wstring text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"理由: 表示できない文字があり、読み込むときに削除されました")) << text;
    EXPECT_TRUE(Contains(text, L"1 行、3 列")) << text;
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    text = MessageBoxText(box);
    EXPECT_TRUE(Contains(text, L"表示できない文字があり、読み込むときに削除されました")) << text;
    EXPECT_TRUE(Contains(text, L"1 行、3 列")) << text;
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    ASSERT_TRUE(m_app.Close());
}
