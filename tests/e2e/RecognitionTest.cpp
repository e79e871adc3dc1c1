// Files the converter alone misreads, opened in the real editor from its command line: the status
// bar names what the file is, and Save gives back everything but a byte that was out of place.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include <string>
#include <vector>

using namespace e2e;

namespace {
std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

class RecognitionE2E : public TessarinE2E {
protected:
    bool FormatPaneIs(const std::wstring& text) {
        return WaitUntil([&] { return StatusPaneText(StatusBar(), 1) == L"\t\t" + text; });
    }
};

} // namespace

// A Shift_JIS file of 37 bytes ending in one stray 0xFF: shown as "ISO-2022-JP / CRLF" and saved as
// 48 bytes of ISO-2022-JP before. It is Shift_JIS; the open warns that the stray byte will not come
// back (line 3, column 1), Save over it asks, and Yes leaves out only the stray byte.
TEST_F(RecognitionE2E, ShiftJisWithAStrayByteStaysShiftJis) {
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7"
                             "\x81\x42\r\nabcdefgh\r\n";
    const std::wstring path = m_dir.File(L"stray.txt");
    WriteAllBytes(path, Bytes(sjis + "\xFF\r\n"));
    ASSERT_NE(Launch(path), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()).starts_with(L"日本語のテキストです。\r\nabcdefgh\r\n"); }));

    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    const std::wstring warning = MessageBoxText(box);
    EXPECT_NE(warning.find(L"文字コードとして正しくないバイト列があります"), std::wstring::npos) << warning;
    EXPECT_NE(warning.find(L"3 行、1 列"), std::wstring::npos) << warning;
    EXPECT_TRUE(FormatPaneIs(L"SJIS / CRLF "))
        << "shown behind the warning: " << testing::PrintToString(StatusPaneText(StatusBar(), 1));
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));

    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0)); // the save has returned
    EXPECT_EQ(ReadAllBytes(path), Bytes(sjis + "\r\n")) << "saved bytes differ";
    ExitDiscarding();
}
