// End-to-end checks of editing that must reach the file intact: characters outside the BMP
// (surrogate pairs) under Backspace, Delete, the arrow keys and Go to; Go to with a column outside
// its line; and undo after a save, which must leave the document modified.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"

using namespace e2e;

namespace {
const std::wstring kSmile = L"\xD83D\xDE00"; // U+1F600
const std::wstring kYoshi = L"\xD842\xDFB7"; // U+20BB7

std::vector<unsigned char> Utf8Bom(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::vector<unsigned char> bytes{0xEF, 0xBB, 0xBF};
    bytes.resize(3 + static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                          reinterpret_cast<char*>(bytes.data() + 3), n, nullptr, nullptr);
    return bytes;
}

std::vector<unsigned char> Utf16LeBom(const std::wstring& text) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<unsigned char>(ch & 0xFF));
        bytes.push_back(static_cast<unsigned char>(ch >> 8));
    }
    return bytes;
}

std::vector<unsigned char> Ascii(const std::wstring& text) {
    return {text.begin(), text.end()};
}

} // namespace

class EditingE2E : public TessarinE2E {
protected:
    // Opens a file holding `bytes` from the command line and waits for its text.
    void OpenFile(const std::vector<unsigned char>& bytes, const std::wstring& expectedText) {
        m_path = m_dir.File(L"doc.txt");
        WriteAllBytes(m_path, bytes);
        ASSERT_NE(Launch(m_path), nullptr);
        m_edit = Edit();
        ASSERT_NE(m_edit, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == expectedText; }))
            << "opened as " << testing::PrintToString(WindowText(m_edit));
    }
    void Caret(int n) {
        ASSERT_TRUE(SendTimed(m_edit, EM_SETSEL, static_cast<WPARAM>(n), n));
        ASSERT_EQ(EditSelection(m_edit), std::make_pair(long{n}, long{n}));
    }
    // Presses a key through the program's message loop and waits for the text it should leave.
    void Press(WORD vk, const std::wstring& expectedText) {
        ASSERT_TRUE(m_app.PostKey(vk, m_edit));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == expectedText; }))
            << "after key " << vk << ": " << testing::PrintToString(WindowText(m_edit));
    }
    void GoTo(int nLine, int nColumn) {
        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_GOTO_LINE));
        HWND dlg = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"行へ移動"; });
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(::SetDlgItemTextW(dlg, IDC_GOTO_LINE, std::to_wstring(nLine).c_str()));
        ASSERT_TRUE(::SetDlgItemTextW(dlg, IDC_GOTO_COLUMN, std::to_wstring(nColumn).c_str()));
        ASSERT_TRUE(PressButton(dlg, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    }
    // The dialog is gone a moment before the caret moves.
    bool CaretIs(long n) {
        return WaitUntil([&] { return EditSelection(m_edit) == std::make_pair(n, n); });
    }
    void SaveAndExpect(const std::vector<unsigned char>& bytes) {
        ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
        EXPECT_TRUE(WaitUntil([&] { return TryReadAllBytes(m_path) == bytes; }))
            << "the file holds " << testing::PrintToString(TryReadAllBytes(m_path));
        EXPECT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"doc.txt - Tessarin"; }));
    }
    void ExitUnchanged() {
        ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
        ASSERT_TRUE(m_app.WaitForExit()) << "a question came up for a saved document";
    }

    std::wstring m_path;
    HWND m_edit = nullptr;
};

TEST_F(EditingE2E, BackspaceDeleteAndArrowKeysKeepPairsWholeInTheSavedFile) {
    const std::wstring opened = L"x" + kSmile + L"y and more\r\na" + kYoshi + L"b\r\np" + kSmile + L"q";
    const std::wstring edited = L"xy and more\r\nab\r\np" + kSmile + L"Zq";
    std::vector<unsigned char> (*const encoders[])(const std::wstring&) = {Utf8Bom, Utf16LeBom};
    for (auto encode : encoders) {
        SCOPED_TRACE(encode == Utf8Bom ? "UTF-8 with mark" : "UTF-16 little endian with mark");
        OpenFile(encode(opened), opened);
        Caret(3); // after the smile
        Press(VK_BACK, L"xy and more\r\na" + kYoshi + L"b\r\np" + kSmile + L"q");
        Caret(14); // before U+20BB7
        Press(VK_DELETE, L"xy and more\r\nab\r\np" + kSmile + L"q");
        // The control's Right key moves by one unit: twice from the line's start is inside the pair.
        Caret(17);
        ASSERT_TRUE(m_app.PostKey(VK_RIGHT, m_edit));
        ASSERT_TRUE(m_app.PostKey(VK_RIGHT, m_edit));
        ASSERT_TRUE(WaitUntil([&] { return EditSelection(m_edit).first >= 19; }));
        ASSERT_TRUE(m_app.PostText(L"Z", m_edit));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit).size() == edited.size(); }));
        EXPECT_EQ(WindowText(m_edit), edited);
        SaveAndExpect(encode(edited));
        ExitUnchanged();
    }

    // Shift_JIS cannot hold the pairs; removing them leaves their neighbours in the file.
    OpenFile(Ascii(L"xy and more"), L"xy and more");
    Caret(1);
    ASSERT_TRUE(m_app.TypeText(kSmile, m_edit));
    Press(VK_BACK, L"xy and more");
    ASSERT_TRUE(m_app.TypeText(kYoshi, m_edit));
    Caret(1);
    Press(VK_DELETE, L"xy and more");
    SaveAndExpect(Ascii(L"xy and more"));
    ExitUnchanged();
}

TEST_F(EditingE2E, GoToWithAColumnOutsideItsLineTypesOnTheLine) {
    const std::wstring opened = L"ab\r\ncd\r\nx" + kSmile + L"y";
    OpenFile(Utf8Bom(opened), opened);
    GoTo(2, 0); // before the first column: the start of line 2, not inside line 1's break
    ASSERT_TRUE(CaretIs(4));
    ASSERT_TRUE(m_app.TypeText(L"R", m_edit));
    GoTo(1, 99); // past the end: before line 1's break
    ASSERT_TRUE(CaretIs(2));
    ASSERT_TRUE(m_app.TypeText(L"Q", m_edit));
    GoTo(3, 3); // on the pair's second half: before the pair
    ASSERT_TRUE(CaretIs(11));
    ASSERT_TRUE(m_app.TypeText(L"S", m_edit));
    const std::wstring edited = L"abQ\r\nRcd\r\nxS" + kSmile + L"y";
    EXPECT_EQ(WindowText(m_edit), edited);
    SaveAndExpect(Utf8Bom(edited));
    ExitUnchanged();
}

TEST_F(EditingE2E, UndoAfterSaveLeavesTheDocumentModifiedAndExitAsks) {
    OpenFile(Ascii(L"abc"), L"abc");
    Caret(3);
    ASSERT_TRUE(m_app.TypeText(L"X", m_edit));
    SaveAndExpect(Ascii(L"abcX"));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"abc"; }));

    // The file holds abcX: leaving asks, and Yes writes what is shown.
    ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
    HWND box = m_app.WaitForMessageBox(3000);
    ASSERT_NE(box, nullptr) << "no question: the change would be lost";
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(ReadAllBytes(m_path), Ascii(L"abc"));
}

TEST_F(EditingE2E, RedoBackToTheSavedTextEndsWithoutAQuestion) {
    OpenFile(Ascii(L"abc"), L"abc");
    Caret(3);
    ASSERT_TRUE(m_app.TypeText(L"X", m_edit));
    SaveAndExpect(Ascii(L"abcX"));
    ASSERT_TRUE(m_app.TypeText(L"Y", m_edit));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"abcX"; })) << "Y joined the saved record";
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"abc"; }));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_edit) == L"abcX"; }));
    ExitUnchanged();
    EXPECT_EQ(ReadAllBytes(m_path), Ascii(L"abcX"));
}
