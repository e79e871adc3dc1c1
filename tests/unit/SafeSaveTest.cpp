// Saving never destroys the file it replaces: success, a full disk, a read-only file, a folder
// that vanished and a failing writer all leave the original intact and no stray file behind.
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>
#include "TestFiles.h"
#include "doc/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

std::vector<unsigned char> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

auto Writes(const std::vector<unsigned char>& bytes) {
    return [bytes](CFile& f) { f.Write(bytes.data(), bytes.size()); };
}

// Runs a save that must fail with a file exception naming the target; returns its cause.
CFileException::Cause FailingSave(const std::wstring& path, const std::function<void(CFile&)>& write) {
    try {
        WriteFileSafely(path, write);
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, path);
        return e.m_cause;
    }
    ADD_FAILURE() << "the save should have failed";
    return CFileException::none;
}

} // namespace

TEST(SafeSave, ReplacesContentAndKeepsAttributes) {
    CTempDir dir;
    std::wstring path = dir.File(L"memo.txt");
    WriteFileSafely(path, Writes(Text("first")));
    EXPECT_EQ(ReadAllBytes(path), Text("first"));

    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    WriteFileSafely(path, Writes(Text("second, longer")));
    EXPECT_EQ(ReadAllBytes(path), Text("second, longer"));
    EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"memo.txt"});
}

TEST(SafeSave, ReadOnlyFileIsRefusedAndKept) {
    CTempDir dir;
    std::wstring path = dir.File(L"locked.txt");
    WriteAllBytes(path, Text("keep me"));
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FailingSave(path, Writes(Text("lost?"))), CFileException::accessDenied);
    EXPECT_EQ(ReadAllBytes(path), Text("keep me"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"locked.txt"});
}

TEST(SafeSave, VanishedFolderFailsCleanly) {
    CTempDir dir;
    std::wstring folder = dir.File(L"gone");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(::RemoveDirectoryW(folder.c_str()));
    std::wstring path = folder + L"\\memo.txt";
    EXPECT_EQ(FailingSave(path, Writes(Text("x"))), CFileException::badPath);
    EXPECT_TRUE(dir.List().empty());
}

TEST(SafeSave, FailingWriterLeavesOriginalAndNoTemporaryFile) {
    CTempDir dir;
    std::wstring path = dir.File(L"memo.txt");
    WriteAllBytes(path, Text("original"));
    EXPECT_THROW(WriteFileSafely(path,
                                 [](CFile& f) {
                                     f.Write("partial", 7);
                                     throw CMemoryException();
                                 }),
                 CMemoryException);
    EXPECT_EQ(ReadAllBytes(path), Text("original"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"memo.txt"});
}

TEST(SafeSave, FullDiskLeavesOriginalIntact) {
    std::wstring folder = SmallFileSystemFolder();
    if (folder.empty())
        GTEST_SKIP() << "no small file system mounted (the test script mounts one when it runs as root)";
    std::wstring path = folder + L"\\full.txt";
    std::wstring filler = folder + L"\\filler.bin";
    std::vector<unsigned char> original(64 * 1024, 'o');
    WriteAllBytes(path, original);

    // Leave less room than the new contents need.
    FillDiskLeaving(folder, filler, 32 * 1024);

    std::vector<unsigned char> bigger(256 * 1024, 'n');
    EXPECT_EQ(FailingSave(path, Writes(bigger)), CFileException::diskFull);
    EXPECT_EQ(ReadAllBytes(path), original);
    ::DeleteFileW(filler.c_str());
    WIN32_FIND_DATAW fd;
    CFindHandle leftover(::FindFirstFileW((folder + L"\\~*").c_str(), &fd));
    EXPECT_FALSE(leftover) << "a temporary file was left behind";
    ::DeleteFileW(path.c_str());
}
