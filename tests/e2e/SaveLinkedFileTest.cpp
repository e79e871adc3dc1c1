// End-to-end check that Save through a symbolic link writes the file it points to, leaves the link
// a link and keeps the file's Unix mode: the built editor under Wine, with the files made and read
// back by Unix commands.
#include "TessarinApp.h"
#include "UnixShell.h"
#include <algorithm>

using namespace e2e;

namespace {
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_APP_EXIT = 57665;

std::wstring FinalPath(const std::wstring& path) {
    CFileHandle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t buffer[1024] = {};
    if (!h || !::GetFinalPathNameByHandleW(h.Get(), buffer, 1024, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS))
        return {};
    std::wstring final = buffer;
    return final.rfind(L"\\\\?\\", 0) == 0 ? final.substr(4) : final;
}

// The file's bytes, read with full sharing so the poll never gets in the save's way.
std::string Contents(const std::wstring& path) {
    CFileHandle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (h && ::ReadFile(h.Get(), buffer, sizeof buffer, &got, nullptr) && got)
        bytes.append(buffer, got);
    return bytes;
}
} // namespace

TEST_F(TessarinE2E, SaveThroughASymbolicLinkWritesItsTargetAndKeepsLinkAndMode) {
    if (!IsWine())
        GTEST_SKIP() << "symbolic links and Unix modes are made and read with Unix commands, under Wine";
    const std::wstring real = m_dir.File(L"real.txt"), link = m_dir.File(L"sl.txt");
    WriteAllBytes(real, std::vector<unsigned char>{'o', 'l', 'd', '\n'});
    const std::string here = UnixPathOf(m_dir.Path());
    std::optional<UnixShellResult> made = RunUnixShell("/bin/chmod 600 " + ShellQuote(here + "/real.txt") +
                                                       " && /bin/ln -s real.txt " + ShellQuote(here + "/sl.txt"));
    ASSERT_TRUE(made && made->status == 0) << (made ? made->output : "the shell did not run");

    ASSERT_NE(Launch(link), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"sl.txt - Tessarin"; }));
    ASSERT_TRUE(m_app.TypeText(L"new "));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    EXPECT_TRUE(WaitUntil([&] { return Contents(real) == "new old\n"; })) << "holds " << Contents(real);

    EXPECT_EQ(FinalPath(link), real) << "sl.txt is still a link to real.txt";
    std::optional<UnixShellResult> mode = RunUnixShell("/usr/bin/stat -c %a " + ShellQuote(here + "/real.txt"));
    ASSERT_TRUE(mode.has_value());
    EXPECT_EQ(mode->output, "600\n");
    std::vector<std::wstring> names = m_dir.List();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"real.txt", L"sl.txt"}));

    ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
    EXPECT_TRUE(m_app.WaitForExit()) << "the saved document closes without a question";
}
