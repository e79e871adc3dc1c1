// Saving from the editor: files beside the document that only look like a save's leftovers stay,
// and a file whose folder refuses new files (while the file itself may be written) is still saved,
// with nothing left in the temporary folder.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "TessarinApp.h"
#include "UnixShell.h"

using namespace e2e;

namespace {

std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Files in a folder whose names start with `prefix`.
std::vector<std::wstring> FilesStartingWith(const std::wstring& folder, const std::wstring& prefix) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((folder + L"\\" + prefix + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(fd.cFileName);
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return names;
}

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder(buffer, n);
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

} // namespace

TEST_F(TessarinE2E, ASaveLeavesTheUsersFilesThatLookLikeLeftoversAlone) {
    const std::wstring path = m_dir.File(L"notes.txt");
    WriteAllBytes(path, Bytes("old"));
    const std::vector<std::wstring> lookAlikes = {L"~notes.txt.cafe.tmp", L"~notes.txt.beef.bak", L"~notes.txt.1.tmp"};
    for (const std::wstring& name : lookAlikes)
        WriteAllBytes(m_dir.File(name), Bytes("mine: " + std::string(name.begin(), name.end())));

    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"old"; }));
    ASSERT_TRUE(m_app.TypeText(L"new "));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    ASSERT_TRUE(WaitUntil([&] { return TryReadAllBytes(path) == Bytes("new old"); }));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE)); // a second save, which tidies up after the first
    ASSERT_TRUE(WaitUntil([&] { return m_app.HasNoDialog(); }));
    ExitDiscarding();

    for (const std::wstring& name : lookAlikes)
        EXPECT_EQ(TryReadAllBytes(m_dir.File(name)), Bytes("mine: " + std::string(name.begin(), name.end())))
            << std::string(name.begin(), name.end());
    std::vector<std::wstring> names = m_dir.List();
    std::sort(names.begin(), names.end());
    std::vector<std::wstring> expected = lookAlikes;
    expected.push_back(L"notes.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected) << "the save left files of its own";
}

namespace {

// A folder that refuses new files while one file in it may be written: the folder is bind-mounted
// read-only over itself and the file bind-mounted writable over itself. Needs root (the test
// script runs as root); unmounted when the object goes.
class CReadOnlyFolder {
public:
    CReadOnlyFolder(const std::wstring& folder, const std::wstring& file)
        : m_strFolder(UnixPathOf(folder)), m_strFile(UnixPathOf(file)) {
        std::optional<UnixShellResult> result = RunUnixShell(
            "/bin/mount --bind " + ShellQuote(m_strFolder) + " " + ShellQuote(m_strFolder) + " && /bin/mount --bind " +
            ShellQuote(m_strFile) + " " + ShellQuote(m_strFile) + " && /bin/mount -o remount,bind,ro " +
            ShellQuote(m_strFolder));
        m_bMounted = result && result->status == 0;
        if (!m_bMounted)
            m_strWhy = result ? result->output : "the shell did not run";
    }
    ~CReadOnlyFolder() {
        RunUnixShell("/bin/umount -l " + ShellQuote(m_strFile) + "; /bin/umount -l " + ShellQuote(m_strFolder));
    }
    bool m_bMounted = false;
    std::string m_strWhy;

private:
    std::string m_strFolder, m_strFile;
};

} // namespace

TEST_F(TessarinE2E, AFileWhoseFolderRefusesNewFilesIsSavedInPlace) {
    if (!IsWine())
        GTEST_SKIP() << "the read-only folder is made with Unix bind mounts, under Wine";
    const std::wstring folder = m_dir.File(L"locked");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + L"\\notes.txt";
    WriteAllBytes(path, Bytes("old"));
    CReadOnlyFolder readOnly(folder, path);
    if (!readOnly.m_bMounted)
        GTEST_SKIP() << "cannot bind-mount here (the test script runs as root): " << readOnly.m_strWhy;
    ASSERT_EQ(::CreateFileW((folder + L"\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE)
        << "the folder took a new file";

    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"old"; }));
    ASSERT_TRUE(m_app.TypeText(L"new "));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    EXPECT_TRUE(WaitUntil([&] { return TryReadAllBytes(path) == Bytes("new old"); }))
        << "the file was not saved; a message box: " << (m_app.HasNoDialog() ? "none" : "shown");
    EXPECT_TRUE(m_app.HasNoDialog()) << "the save reported an error";
    ExitDiscarding();
    EXPECT_EQ(m_dir.List(), std::vector<std::wstring>{L"locked"});
    EXPECT_TRUE(FilesStartingWith(TempFolder(), L"~notes.txt.").empty()) << "the copy was left in the temporary folder";
}
