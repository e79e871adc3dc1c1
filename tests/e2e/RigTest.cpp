// The end-to-end driver's own check, against Wine's notepad.exe: a real program with a main
// window, an EDIT control, a status bar, the common Open and Save As dialogs (with a child
// template that adds an encoding combo box, id 401) and a Yes/No/Cancel save-changes question;
// and the registry helpers. These tests check the rig, not Tessarin: their groups start with
// "Rig", which CTest runs as E2ERig apart from E2ETests.
#include "Driver.h"
#include "TestFiles.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>

using namespace e2e;

namespace {

constexpr int kNotepadEncodingCombo = 401;

std::wstring NotepadPath() {
    UINT length = ::GetWindowsDirectoryW(nullptr, 0);
    std::wstring dir(length, L'\0');
    dir.resize(::GetWindowsDirectoryW(dir.data(), length));
    return dir + L"\\notepad.exe";
}

// A command id of notepad's File menu, read from its menu resource (its live menu cannot be read
// from here under Wine).
UINT NotepadFileCommand(int item) {
    return MenuResourceItemId(NotepadPath(), 0, item).value_or(0);
}

// True while a process with this id is in the system's process list.
bool ProcessListed(DWORD processId) {
    CKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE)
        return false;
    for (BOOL ok = ::Process32FirstW(snapshot.Get(), &entry); ok; ok = ::Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ProcessID == processId)
            return true;
    return false;
}

class RigNotepad : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_app.Start(NotepadPath())) << "CreateProcessW failed: " << ::GetLastError();
        m_hWndMain = m_app.WaitForMainWindow(L"Notepad");
        ASSERT_NE(m_hWndMain, nullptr);
        m_hWndEdit = m_app.FindInMain(L"Edit");
        ASSERT_NE(m_hWndEdit, nullptr);
    }

    // Closes notepad with unsaved text, answering its question with No.
    void CloseDiscarding() {
        if (m_app.Close(200))
            return;
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(PressButton(box, IDNO));
        ASSERT_TRUE(m_app.WaitForExit());
    }

    CTargetProcess m_app;
    HWND m_hWndMain = nullptr;
    HWND m_hWndEdit = nullptr;
};

} // namespace

TEST_F(RigNotepad, TypesTextAndReadsControlsTitleAndStatusBar) {
    EXPECT_EQ(m_app.FocusedWindow(), m_hWndEdit);
    std::wstring untitled = WindowText(m_hWndMain);
    EXPECT_NE(untitled.find(L" - "), std::wstring::npos) << "title: document name, dash, program name";

    ASSERT_TRUE(m_app.TypeText(L"abc\ndef"));
    EXPECT_EQ(WindowText(m_hWndEdit), L"abc\r\ndef");
    EXPECT_EQ(EditSelection(m_hWndEdit), std::make_pair(8L, 8L));
    ASSERT_TRUE(SendTimed(m_hWndEdit, EM_SETSEL, 1, 6));
    EXPECT_EQ(EditSelection(m_hWndEdit), std::make_pair(1L, 6L));

    // Posted text goes through notepad's message loop; wait for it rather than for a fixed time.
    ASSERT_TRUE(m_app.PostText(L"XY"));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndEdit) == L"aXYef"; })) << WindowText(m_hWndEdit);
    // A posted key stroke is translated into a character by the target's TranslateMessage.
    ASSERT_TRUE(m_app.PostKey('Q'));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndEdit) == L"aXYqef"; })) << WindowText(m_hWndEdit);

    HWND statusBar = m_app.FindInMain(L"msctls_statusbar32");
    ASSERT_NE(statusBar, nullptr);
    EXPECT_GE(StatusPaneCount(statusBar), 1);
    EXPECT_FALSE(StatusPaneText(statusBar, 0).empty());
    EXPECT_TRUE(StatusPaneText(statusBar, 99).empty());
    CloseDiscarding();
}

TEST_F(RigNotepad, OpenDialogByCommandThenCancel) {
    UINT openId = NotepadFileCommand(1);
    ASSERT_NE(openId, 0u);
    ASSERT_TRUE(m_app.PostCommand(openId));
    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsMessageBox(dlg));
    EXPECT_FALSE(WindowText(dlg).empty());
    EXPECT_EQ(FileName(dlg), L"*.txt");
    ASSERT_TRUE(SetFileName(dlg, L"nothing.txt"));
    EXPECT_EQ(FileName(dlg), L"nothing.txt");

    // The child template's combo box is a grandchild of the dialog.
    std::vector<std::wstring> items = ComboItems(dlg, kNotepadEncodingCombo);
    ASSERT_GE(items.size(), 2u);
    EXPECT_FALSE(items[1].empty());
    EXPECT_EQ(ComboSelection(dlg, kNotepadEncodingCombo), 0);
    ASSERT_TRUE(SelectComboItem(dlg, kNotepadEncodingCombo, 1));
    EXPECT_EQ(ComboSelection(dlg, kNotepadEncodingCombo), 1);
    EXPECT_FALSE(SelectComboItem(dlg, kNotepadEncodingCombo, 99));

    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    EXPECT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_TRUE(m_app.Close());
}

TEST_F(RigNotepad, SaveChangesQuestionCancelKeepsRunningThenNoEnds) {
    ASSERT_TRUE(m_app.TypeText(L"keep me"));
    EXPECT_FALSE(m_app.Close(200)) << "a modified document asks first";
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(IsMessageBox(box));
    EXPECT_FALSE(IsFileDialog(box));
    EXPECT_FALSE(MessageBoxText(box).empty());
    EXPECT_EQ(DialogButtons(box), (std::vector<int>{IDYES, IDNO, IDCANCEL}));

    ASSERT_TRUE(PressButton(box, IDCANCEL));
    EXPECT_TRUE(CTargetProcess::WaitForWindowGone(box));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(WindowText(m_hWndEdit), L"keep me");

    EXPECT_FALSE(m_app.Close(200));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(m_app.ExitCode(), 0u);
    EXPECT_FALSE(ProcessListed(m_app.Id()));
}

TEST_F(RigNotepad, SaveAsDialogTakesNameAndComboChoice) {
    CTempDir dir;
    ASSERT_TRUE(m_app.TypeText(L"h\u00e9"));
    EXPECT_FALSE(m_app.Close(200));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDYES)); // an untitled document goes through Save As

    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetFileName(dlg, dir.File(L"saved.txt")));
    ASSERT_TRUE(SelectComboItem(dlg, kNotepadEncodingCombo, 1)); // "Unicode (UTF-16)": little-endian with a mark
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(ReadAllBytes(dir.File(L"saved.txt")), (std::vector<unsigned char>{0xFF, 0xFE, 'h', 0, 0xE9, 0}));
}

TEST_F(RigNotepad, InjectedCtrlChordReachesAccelerators) {
    ASSERT_TRUE(m_app.BringToFront());
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'O'}));
    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(WindowText(m_hWndEdit).empty()) << "the chord must not type an 'o'";
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    EXPECT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    EXPECT_TRUE(m_app.Close());
}

TEST_F(RigNotepad, DroppedFileIsOpened) {
    CTempDir dir;
    const std::string first = "first file", second = "second file";
    WriteAllBytes(dir.File(L"first.txt"), first.data(), first.size());
    WriteAllBytes(dir.File(L"second.txt"), second.data(), second.size());

    ASSERT_TRUE(m_app.DropFiles({dir.File(L"first.txt")}));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndEdit) == L"first file"; })) << WindowText(m_hWndEdit);
    EXPECT_NE(WindowText(m_hWndMain).find(L"first.txt"), std::wstring::npos);
    // A second drop into the same program: the first block was read and released without harm.
    ASSERT_TRUE(m_app.DropFiles({dir.File(L"second.txt")}));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndEdit) == L"second file"; })) << WindowText(m_hWndEdit);
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_TRUE(m_app.Close());
}

TEST(RigLifetime, DriverEndsAProgramThatIsStillAsking) {
    DWORD processId = 0;
    CKernelHandle watch;
    {
        CTargetProcess app;
        ASSERT_TRUE(app.Start(NotepadPath()));
        ASSERT_NE(app.WaitForMainWindow(L"Notepad"), nullptr);
        processId = app.Id();
        watch.Attach(::OpenProcess(SYNCHRONIZE, FALSE, processId));
        ASSERT_TRUE(app.TypeText(L"x"));
        EXPECT_FALSE(app.Close(200));
        ASSERT_NE(app.WaitForMessageBox(), nullptr); // the question blocks a graceful end
    }
    ASSERT_TRUE(watch);
    EXPECT_EQ(::WaitForSingleObject(watch.Get(), 0), WAIT_OBJECT_0);
    EXPECT_FALSE(ProcessListed(processId));
}

TEST(RigRegistry, WriteReadAndDeleteUnderAPrivateKey) {
    const std::wstring key = L"Software\\zanvo\\TessarinE2ERig";
    CUserKeyReset reset(key);
    EXPECT_FALSE(UserKeyExists(key));
    EXPECT_FALSE(ReadUserDword(L"iWindowPosX", key).has_value());

    ASSERT_TRUE(WriteUserDword(L"iWindowPosX", 22, key));
    ASSERT_TRUE(WriteUserString(L"lfFaceName", L"ＭＳ ゴシック", key));
    EXPECT_EQ(ReadUserDword(L"iWindowPosX", key), std::optional<DWORD>(22));
    EXPECT_EQ(ReadUserString(L"lfFaceName", key), std::optional<std::wstring>(L"ＭＳ ゴシック"));
    EXPECT_FALSE(ReadUserString(L"iWindowPosX", key).has_value()) << "a DWORD is not read as a string";
    ASSERT_TRUE(WriteUserString(L"szHeader", L"", key));
    EXPECT_EQ(ReadUserString(L"szHeader", key), std::optional<std::wstring>(L""));

    EXPECT_TRUE(DeleteUserValue(L"iWindowPosX", key));
    EXPECT_FALSE(ReadUserDword(L"iWindowPosX", key).has_value());
    EXPECT_TRUE(DeleteUserValue(L"iWindowPosX", key)) << "deleting a missing value is not an error";
    ASSERT_TRUE(WriteUserDword(L"sub", 1, key + L"\\Nested"));
    EXPECT_TRUE(DeleteUserKey(key));
    EXPECT_FALSE(UserKeyExists(key));
}
