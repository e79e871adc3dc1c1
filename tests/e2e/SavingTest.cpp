// Saving from the editor: files beside the document that only look like a save's leftovers stay,
// and a file whose folder refuses new files (while the file itself may be written) is still saved,
// with nothing left in the temporary folder.
#include <gtest/gtest.h>
#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
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
    EXPECT_EQ(names, expected) << "the folder does not hold what it held before the saves";
}

namespace {

// A folder that refuses new files while one file in it may be written, made from the Unix side
// with mounts (root needed: the test script runs as root); unmounted when the object goes.
class CMountedFolder {
public:
    // The folder bind-mounted read-only over itself and the file bind-mounted writable over itself.
    static CMountedFolder ReadOnly(const std::wstring& folder, const std::wstring& file) {
        CMountedFolder mounted(folder, file);
        const std::string dir = ShellQuote(mounted.m_strFolder), path = ShellQuote(mounted.m_strFile);
        mounted.Mount("/bin/mount --bind " + dir + " " + dir + " && /bin/mount --bind " + path + " " + path +
                      " && /bin/mount -o remount,bind,ro " + dir);
        return mounted;
    }
    // The same on a small tmpfs of the folder's own, filled up, so that the file holding `text`
    // may be written but not grow.
    static CMountedFolder FullReadOnly(const std::wstring& folder, const std::wstring& file, const std::string& text) {
        CMountedFolder mounted(folder, file);
        const std::string dir = ShellQuote(mounted.m_strFolder), path = ShellQuote(mounted.m_strFile);
        mounted.Mount("/bin/mount -t tmpfs -o size=64k tmpfs " + dir + " && /bin/printf %s " + ShellQuote(text) +
                      " >" + path + " && { /bin/dd if=/dev/zero of=" + ShellQuote(mounted.m_strFolder + "/filler") +
                      " bs=4096 2>/dev/null; true; } && /bin/mount --bind " + path + " " + path +
                      " && /bin/mount -o remount,bind,ro " + dir);
        return mounted;
    }
    CMountedFolder(CMountedFolder&& other) noexcept
        : m_bMounted(std::exchange(other.m_bMounted, false)), m_strWhy(std::move(other.m_strWhy)),
          m_strFolder(std::move(other.m_strFolder)), m_strFile(std::move(other.m_strFile)) {}
    ~CMountedFolder() {
        if (m_bMounted)
            RunUnixShell("/bin/umount -l " + ShellQuote(m_strFile) + "; /bin/umount -l " + ShellQuote(m_strFolder));
    }
    bool m_bMounted = false;
    std::string m_strWhy;

private:
    CMountedFolder(const std::wstring& folder, const std::wstring& file)
        : m_strFolder(UnixPathOf(folder)), m_strFile(UnixPathOf(file)) {}
    void Mount(const std::string& command) {
        std::optional<UnixShellResult> result = RunUnixShell(command);
        m_bMounted = result && result->status == 0;
        if (!m_bMounted) {
            m_strWhy = result ? result->output : "the shell did not run";
            // A mount of the chain may have gone through before a later step failed.
            RunUnixShell("/bin/umount -l " + ShellQuote(m_strFile) + "; /bin/umount -l " + ShellQuote(m_strFolder));
        }
    }

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
    CMountedFolder readOnly = CMountedFolder::ReadOnly(folder, path);
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

// The same folder, but the file cannot grow: the rewrite in place fails, the file keeps its old
// text, and the message says where the copy of the old contents is, which holds them.
TEST_F(TessarinE2E, AFailedRewriteInPlaceKeepsTheOldTextAndSaysWhereItsCopyIs) {
    if (!IsWine())
        GTEST_SKIP() << "the full, read-only folder is made with Unix mounts, under Wine";
    const std::wstring folder = m_dir.File(L"full");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + L"\\notes.txt";
    std::string old; // five pages exactly, in short lines, which the edit control lays out quickly
    while (old.size() < 5 * 4096)
        old += std::string(78, 'o') + "\r\n";
    CMountedFolder full = CMountedFolder::FullReadOnly(folder, path, old);
    if (!full.m_bMounted)
        GTEST_SKIP() << "cannot mount here (the test script runs as root): " << full.m_strWhy;

    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()).size() == old.size(); }));
    ASSERT_TRUE(m_app.TypeText(L"new ")); // a sixth page, which the file system does not have
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr) << "no message";
    const std::wstring text = MessageBoxText(box);
    const std::wstring copy = text.substr(text.find_last_of(L'\n') + 1);
    EXPECT_NE(text.find(L"保存する前の内容の写しを次の場所に残してあります"), std::wstring::npos)
        << testing::PrintToString(text);
    EXPECT_EQ(TryReadAllBytes(copy), Bytes(old)) << "the copy the message names: " << testing::PrintToString(copy);
    EXPECT_EQ(TryReadAllBytes(path), Bytes(old)) << "the file lost its old text";
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ExitDiscarding();
    ::DeleteFileW(copy.c_str());
}

namespace {

// The name a save of `name` gives its second name of the original file, for the random part
// `random12`: the last four hex digits check the rest against the file's name (FNV-1a, folded),
// which is how the program knows the files of its own saves.
std::wstring KeptOriginalName(const std::wstring& name, const std::wstring& random12) {
    unsigned long long hash = 14695981039346656037ull;
    auto mix = [&](wchar_t c) {
        hash ^= static_cast<unsigned long long>(c);
        hash *= 1099511628211ull;
    };
    for (wchar_t c : name)
        mix(c);
    mix(L'|');
    for (wchar_t c : random12)
        mix(c);
    wchar_t check[8] = {};
    std::swprintf(check, 8, L"%04x",
                  static_cast<unsigned>((hash ^ (hash >> 16) ^ (hash >> 32) ^ (hash >> 48)) & 0xffff));
    return L"~" + name + L"." + random12 + check + L".bak";
}

ULONGLONG FileIndex(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool bOk = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return bOk ? (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
}

} // namespace

// A save killed inside its swap leaves the new text in a new file under the name and the original
// file under a second name: opening the file finishes the save, so the original file (its
// identity, and with it its mode, owner and links) holds the new text under its own name again,
// and the status bar says so.
TEST_F(TessarinE2E, OpeningAFileWhoseSaveWasCutShortFinishesItAndSaysSo) {
    const std::wstring path = m_dir.File(L"notes.txt");
    WriteAllBytes(path, Bytes("old text"));
    const ULONGLONG original = FileIndex(path);
    ASSERT_NE(original, 0u);
    const std::wstring kept = m_dir.File(KeptOriginalName(L"notes.txt", L"0123456789ab"));
    ASSERT_TRUE(::CreateHardLinkW(kept.c_str(), path.c_str(), nullptr));
    const std::wstring replacement = m_dir.File(L"replacement");
    WriteAllBytes(replacement, Bytes("new text"));
    ASSERT_TRUE(::MoveFileExW(replacement.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_NE(FileIndex(path), original);

    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"new text"; }));
    const std::wstring notice = L"中断されていた " + path + L" の保存を完了しました。";
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(StatusBar(), 0) == notice; }))
        << "status bar: " << testing::PrintToString(StatusPaneText(StatusBar(), 0));
    EXPECT_EQ(FileIndex(path), original) << "the original file did not get its name back";
    EXPECT_EQ(TryReadAllBytes(path), Bytes("new text"));
    EXPECT_EQ(m_dir.List(), std::vector<std::wstring>{L"notes.txt"});
    ExitDiscarding();
}
