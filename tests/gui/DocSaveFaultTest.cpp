// Saves that fail — a full file system, a read-only file, a folder that was removed — leave the
// file on disk byte for byte as it was and no temporary file behind; the document keeps its text,
// path, pair and modified mark, and the user is told why.
#include "DocHost.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"

using DocSaveFault = DocHost;

namespace {
std::wstring FileError(UINT nID, const std::wstring& path) {
    return FormatString(nID, {path});
}
} // namespace

TEST_F(DocSaveFault, ReadOnlyFile) {
    CTempDir dir;
    std::wstring path = dir.File(L"ro.txt");
    const std::string original = "\xE3\x81\x82 original\n";
    WriteAllBytes(path, Bytes(original));
    ASSERT_TRUE(Open(path));
    Append(L"changed");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        CBoxAnswerer boxes(IDOK);
        EXPECT_EQ(m_doc.DoSave(path.c_str()), SaveResult::Failed);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], FileError(AFX_IDP_FILE_ACCESS_DENIED, path));
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"ro.txt"});
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf8N, LineEndingId::Lf));
    EXPECT_EQ(Text(), L"\u3042 original\r\nchanged");

    // Save on a read-only file asks for another name instead.
    EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Cancelled);
    EXPECT_EQ(m_manager.m_nPrompts, 1);

    // Save As onto it fails the same way, and the file it would have replaced is not deleted.
    m_manager.m_strAnswer = path;
    {
        CBoxAnswerer boxes(IDOK);
        EXPECT_EQ(m_doc.DoSave(nullptr), SaveResult::Failed);
        EXPECT_EQ(boxes.Count(), 1u);
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    EXPECT_TRUE(m_doc.IsModified());
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(DocSaveFault, RemovedFolder) {
    CTempDir dir;
    std::wstring folder = dir.File(L"sub");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring path = folder + L"\\gone.txt";
    WriteAllBytes(path, Bytes("text"));
    ASSERT_TRUE(Open(path));
    Append(L" more");
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    ASSERT_TRUE(::RemoveDirectoryW(folder.c_str()));
    {
        CBoxAnswerer boxes(IDOK);
        EXPECT_EQ(m_doc.DoSave(path.c_str()), SaveResult::Failed);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], FileError(AFX_IDP_FILE_BAD_PATH, path));
    }
    EXPECT_TRUE(dir.List().empty()) << "nothing was created";
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(Text(), L"text more");
}

TEST_F(DocSaveFault, FullFileSystem) {
    std::wstring folder = SmallFileSystemFolder();
    if (folder.empty())
        GTEST_SKIP() << "no small file system mounted (the test script mounts one when it runs as root)";
    std::wstring path = folder + L"\\doc-full.txt";
    std::wstring filler = folder + L"\\doc-filler.bin";
    std::vector<unsigned char> original(64 * 1024, 'o');
    WriteAllBytes(path, original);
    ASSERT_TRUE(Open(path));

    FillDiskLeaving(folder, filler, 32 * 1024);

    // More than the room left, in short lines (the EDIT control lays long lines out slowly).
    std::wstring bigger;
    for (int i = 0; i < 4096; ++i)
        bigger += std::wstring(62, L'n') + L"\r\n";
    m_view.SetSel(0, -1);
    m_view.ReplaceSel(bigger.c_str());
    ASSERT_TRUE(m_doc.IsModified());
    {
        CBoxAnswerer boxes(IDOK);
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Failed);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], FileError(AFX_IDP_FILE_DISKFULL, path));
    }
    EXPECT_EQ(ReadAllBytes(path), original);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), path);
    EXPECT_EQ(m_view.GetTextLength(), static_cast<int>(bigger.size()));
    ::DeleteFileW(filler.c_str());
    WIN32_FIND_DATAW fd;
    CFindHandle leftover(::FindFirstFileW((folder + L"\\~*").c_str(), &fd));
    EXPECT_FALSE(leftover) << "a temporary file was left behind";
    m_doc.OnNewDocument();
    ::DeleteFileW(path.c_str());
}

// The save-changes question passes on how the save ended: a read-only file goes through the Save
// As dialog, whose Cancel is Cancelled; a name there that cannot be written is Failed (after the
// error box); a writable one is Saved. Only Saved lets the pending action go on.
TEST_F(DocSaveFault, SaveChangesQuestionTellsCancelledFailedAndSaved) {
    CTempDir dir;
    std::wstring path = dir.File(L"ro.txt");
    WriteAllBytes(path, Bytes("text"));
    ASSERT_TRUE(Open(path));
    Append(L" more");
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));

    m_manager.m_strAnswer.clear(); // the Save As dialog is cancelled
    {
        CBoxAnswerer boxes(IDYES);
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Cancelled);
        EXPECT_EQ(boxes.Count(), 1u) << "the question, and no error";
    }
    m_manager.m_strAnswer = path; // the dialog names the read-only file: the write fails
    {
        CBoxAnswerer boxes(IDYES);
        boxes.m_onShown = [&] { boxes.m_nButton = boxes.Count() == 1 ? IDYES : IDOK; };
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Failed);
        ASSERT_EQ(boxes.Count(), 2u);
        EXPECT_EQ(boxes.Texts()[1], FileError(AFX_IDP_FILE_ACCESS_DENIED, path));
    }
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(ReadAllBytes(path), Bytes("text"));

    const std::wstring other = dir.File(L"other.txt");
    m_manager.m_strAnswer = other;
    {
        CBoxAnswerer boxes(IDYES);
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Saved);
    }
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(ReadAllBytes(other), Bytes("text more"));
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
