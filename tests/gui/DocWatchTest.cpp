// The watch on the open file: only a new last-write time raises the reload question, exactly once
// however many ticks pass while it is on screen; a vanished file marks the document modified; our
// own saves are never taken for changes made elsewhere.
#include "DocHost.h"
#include "framework/Strings.h"
#include "res/resource.h"

namespace {
constexpr UINT_PTR kWatchTimer = 1;
} // namespace

class DocWatch : public DocHost {
protected:
    // One watch tick, as the timer delivers it, and everything it posts.
    void Tick(int nTimes = 1) {
        for (int i = 0; i < nTimes; ++i) {
            m_view.PostMessage(WM_TIMER, kWatchTimer, 0);
            PumpUntil([] { return true; });
        }
    }
    std::wstring ReloadQuestion(const std::wstring& path) const {
        std::wstring format = LoadStringResource(IDS_FILE_CHANGED_RELOAD);
        size_t at = format.find(L"%s");
        return format.replace(at, 2, path);
    }
};

TEST_F(DocWatch, AttributesAndAccessTimeAreNotChanges) {
    CTempDir dir;
    std::wstring path = dir.File(L"w.txt");
    WriteAllBytes(path, Bytes("watched"));
    ASSERT_TRUE(Open(path));
    CBoxAnswerer boxes(IDNO);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(ShiftFileTime(path, 3600, false));
    Tick(3);
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    Tick(2);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(DocWatch, ARewriteAsksExactlyOnceWhileTicksGoOn) {
    CTempDir dir;
    std::wstring path = dir.File(L"w.txt");
    WriteAllBytes(path, Bytes("one"));
    ASSERT_TRUE(Open(path));
    CBoxAnswerer boxes(IDNO);
    boxes.m_nHoldTicks = 6;
    // While the question is up: the file changes again and more ticks arrive.
    boxes.m_onShown = [&] {
        ShiftFileTime(path, 20);
        for (int i = 0; i < 4; ++i)
            m_view.PostMessage(WM_TIMER, kWatchTimer, 0);
    };
    ASSERT_TRUE(ShiftFileTime(path, 10));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }));
    Tick(3);
    EXPECT_EQ(boxes.Count(), 1u);
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], ReloadQuestion(path));
    EXPECT_EQ(Text(), L"one") << "No keeps the text";

    // A later change is a new question.
    ASSERT_TRUE(ShiftFileTime(path, 30));
    Tick();
    EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(DocWatch, TheRealTimerNoticesARewrite) {
    CTempDir dir;
    std::wstring path = dir.File(L"w.txt");
    WriteAllBytes(path, Bytes("one"));
    ASSERT_TRUE(Open(path));
    CBoxAnswerer boxes(IDNO);
    WriteAllBytes(path, Bytes("two"));
    ASSERT_TRUE(ShiftFileTime(path, 5));
    EXPECT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }, 6000)) << "the watch ticks every two seconds";
}

TEST_F(DocWatch, AVanishedFileMarksTheDocumentModifiedWithoutAQuestion) {
    CTempDir dir;
    std::wstring path = dir.File(L"w.txt");
    WriteAllBytes(path, Bytes("here"));
    ASSERT_TRUE(Open(path));
    CBoxAnswerer boxes(IDNO);
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    Tick(2);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(Text(), L"here");

    // Back under the same name with another write time: now it is a change.
    WriteAllBytes(path, Bytes("back"));
    ASSERT_TRUE(ShiftFileTime(path, 60));
    Tick();
    EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(DocWatch, OurOwnSavesAreNotOutsideChanges) {
    CTempDir dir;
    std::wstring path = dir.File(L"w.txt");
    WriteAllBytes(path, Bytes("mine"));
    ASSERT_TRUE(Open(path));
    CBoxAnswerer boxes(IDNO);
    for (int i = 0; i < 3; ++i) {
        Append(L"+");
        ASSERT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
        Tick(2);
    }
    m_manager.m_strAnswer = dir.File(L"other.txt");
    ASSERT_EQ(m_doc.DoSave(nullptr), SaveResult::Saved);
    Tick(2);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_FALSE(m_doc.IsModified());
    // The watch has moved to the new name.
    ASSERT_TRUE(ShiftFileTime(path, 10));
    Tick();
    EXPECT_EQ(boxes.Count(), 0u);
    ASSERT_TRUE(ShiftFileTime(dir.File(L"other.txt"), 10));
    Tick();
    EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(DocWatch, AnUntitledDocumentIsNotWatched) {
    CBoxAnswerer boxes(IDNO);
    Append(L"text");
    Tick(2);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(m_doc.IsModified());
}
