// A file of one very long line, which the edit control would take minutes and gigabytes to lay
// out before any window shows, is refused at once with the message about memory and long lines,
// even on a machine with the memory to hold it.
#include "TessarinApp.h"
#include <string>
#include <vector>

using namespace e2e;

TEST_F(TessarinE2E, AFileOfOneVeryLongLineIsRefusedAtOnce) {
    // 40 MB of one line: some 1.1 GB and about 40 s of layout under Wine.
    const std::wstring path = m_dir.File(L"one line.txt");
    WriteAllBytes(path, std::vector<unsigned char>(40u << 20, 'A'));
    ASSERT_TRUE(m_app.Start(TessarinExePath(), path, m_dir.Path()));
    HWND box = m_app.WaitForMessageBox(15000);
    ASSERT_NE(box, nullptr) << "no refusal within 15 s";
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(path), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"メモリが足りないため開けません。"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"非常に長い行"), std::wstring::npos) << text;
    ASSERT_TRUE(PressButton(box, IDOK));
    // The named file could not be loaded: the program ends, as for any file that fails to load.
    EXPECT_TRUE(m_app.WaitForExit());
}
