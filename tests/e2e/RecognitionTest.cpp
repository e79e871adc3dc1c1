// Files the converter alone misreads, opened in the real editor from its command line: the status
// bar names what the file is, and Save gives back everything but a byte that was out of place.
#include "TessarinApp.h"
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_APP_EXIT = 57665;

std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// The whole file, or nothing while the editor is still writing it.
std::vector<unsigned char> TryReadAllBytes(const std::wstring& path) {
    try {
        return ReadAllBytes(path);
    } catch (...) {
        return {};
    }
}

class RecognitionE2E : public TessarinE2E {
protected:
    bool FormatPaneIs(const std::wstring& text) {
        return WaitUntil([&] { return StatusPaneText(StatusBar(), 1) == L"\t\t" + text; });
    }

    // Ends the program, discarding any changes.
    void ExitDiscarding() {
        ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
        if (WaitUntil([&] { return !m_app.IsRunning() || !m_app.HasNoDialog(); }) && m_app.IsRunning()) {
            HWND box = m_app.WaitForMessageBox();
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(PressButton(box, IDNO));
        }
        ASSERT_TRUE(m_app.WaitForExit());
    }
};

} // namespace

// A Shift_JIS file of 37 bytes ending in one stray 0xFF: shown as "ISO-2022-JP / CRLF" and saved as
// 48 bytes of ISO-2022-JP before. It is Shift_JIS, and Save leaves out only the stray byte.
TEST_F(RecognitionE2E, ShiftJisWithAStrayByteStaysShiftJis) {
    const std::string sjis = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x65\x83\x4C\x83\x58\x83\x67\x82\xC5\x82\xB7"
                             "\x81\x42\r\nabcdefgh\r\n";
    const std::wstring path = m_dir.File(L"stray.txt");
    WriteAllBytes(path, Bytes(sjis + "\xFF\r\n"));
    ASSERT_NE(Launch(path), nullptr);
    EXPECT_TRUE(FormatPaneIs(L"SJIS / CRLF ")) << testing::PrintToString(StatusPaneText(StatusBar(), 1));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()).starts_with(L"日本語のテキストです。\r\nabcdefgh\r\n"); }));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    EXPECT_TRUE(WaitUntil([&] { return TryReadAllBytes(path) == Bytes(sjis + "\r\n"); })) << "saved bytes differ";
    ExitDiscarding();
}
