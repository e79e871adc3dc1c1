// The jobs the view is made of, each against the real thing: the file watch against a real file
// and window, and the word-wrap switch, whose new control the view owns like its first one (its
// destruction destroys it) and which keeps the watch ticking on the new control.
#include "DocHost.h"
#include "view/FileWatch.h"
#include <cstring>
#include <memory>

namespace {
// Writes the file and moves its last-write time back, so a change never hides inside the file
// system's time resolution.
void WriteWithTime(const std::wstring& path, const char* pszText, int nMinutesAgo) {
    WriteAllBytes(path, pszText, std::strlen(pszText));
    ASSERT_TRUE(ShiftFileTime(path, -nMinutesAgo * 60));
}

// A hidden frame of its own with a view made on the heap, so a test can end the view before the
// frame and see what the view's destruction takes with it.
class ViewPartsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RECT rc{10, 10, 400, 300};
        ASSERT_TRUE(m_frame.Create(L"ViewParts", WS_OVERLAPPEDWINDOW, &rc));
        m_pView = std::make_unique<CTessarinView>();
        m_pView->SetDocument(&m_doc);
        ASSERT_TRUE(m_pView->Create(m_frame.m_hWnd, AFX_IDW_PANE_FIRST, m_frame.GetClientRect()));
    }
    void TearDown() override {
        if (m_pView)
            m_pView->StopFileWatch();
        m_pView.reset();
        m_frame.DestroyWindow();
    }

    CFrameWnd m_frame;
    CDocument m_doc;
    std::unique_ptr<CTessarinView> m_pView;
};
} // namespace

TEST_F(ViewPartsTest, FileWatchReportsARewriteOnceAndAGoneFile) {
    CTempDir dir;
    const std::wstring path = dir.File(L"watched.txt");
    WriteWithTime(path, "first", 30);
    CFileWatch watch;
    watch.Start(nullptr, path);
    EXPECT_FALSE(watch.IsWatching()) << "no window, no watch";
    watch.Start(m_pView->m_hWnd, path);
    ASSERT_TRUE(watch.IsWatching());
    EXPECT_TRUE(watch.IsTick(CFileWatch::kTimerId));
    EXPECT_FALSE(watch.IsTick(CFileWatch::kTimerId + 1)) << "the control's own timers";
    EXPECT_EQ(watch.Check(), CFileWatch::Change::None);

    // Only the last-write time counts: new attributes are no change.
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(watch.Check(), CFileWatch::Change::None);
    WriteWithTime(path, "second", 20);
    EXPECT_EQ(watch.Check(), CFileWatch::Change::Rewritten);
    EXPECT_EQ(watch.Check(), CFileWatch::Change::None) << "one change is reported once";

    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    EXPECT_EQ(watch.Check(), CFileWatch::Change::Gone);
    EXPECT_EQ(watch.Check(), CFileWatch::Change::Gone) << "the stored data stays";
    WriteWithTime(path, "third", 10);
    EXPECT_EQ(watch.Check(), CFileWatch::Change::Rewritten);

    watch.Stop();
    EXPECT_FALSE(watch.IsWatching());
    EXPECT_FALSE(::KillTimer(m_pView->m_hWnd, CFileWatch::kTimerId)) << "the timer is gone";
}

TEST_F(ViewPartsTest, WordWrapSwitchHandsTheViewANewControlItOwns) {
    CTessarinView& view = *m_pView;
    view.SetWindowText(L"one two three\r\nfour");
    view.ClearHistory(false);
    m_doc.SetModifiedFlag(false);
    view.SetSel(4, 7);
    const HWND hOld = view.m_hWnd;
    const bool bWasWrap = view.IsWordWrap(); // as the stored settings have it

    view.ToggleWordWrap();
    const HWND hNew = view.m_hWnd;
    ASSERT_NE(hNew, hOld);
    EXPECT_FALSE(::IsWindow(hOld));
    EXPECT_EQ(view.IsWordWrap(), !bWasWrap);
    EXPECT_EQ(CWnd::FromHandle(hNew), &view);
    EXPECT_EQ(::GetParent(hNew), m_frame.m_hWnd);
    EXPECT_EQ(view.GetDlgCtrlID(), static_cast<int>(AFX_IDW_PANE_FIRST));
    EXPECT_EQ(view.GetText(), L"one two three\r\nfour");
    int nStart = 0, nEnd = 0;
    view.GetSel(nStart, nEnd);
    EXPECT_EQ(std::make_pair(nStart, nEnd), std::make_pair(4, 7));
    EXPECT_FALSE(m_doc.IsModified()) << "moving the text over is no change";
    EXPECT_EQ(view.GetHistory().RecordCount(), 0u) << "nor an edit";

    // Typing goes through the routes of the new control.
    view.SendMessage(WM_CHAR, L'X', 1);
    EXPECT_EQ(view.GetText(), L"one X three\r\nfour");
    EXPECT_TRUE(view.GetHistory().CanUndo()) << "and are recorded";

    // The view's end takes the control with it, as it does the one it first created.
    m_pView.reset();
    EXPECT_FALSE(::IsWindow(hNew));
}

TEST_F(ViewPartsTest, WordWrapSwitchKeepsTheFileWatchTicking) {
    CTempDir dir;
    const std::wstring path = dir.File(L"watched.txt");
    WriteWithTime(path, "text", 30);
    CTessarinView& view = *m_pView;
    view.StartFileWatch(path);
    ASSERT_TRUE(view.IsWatching());

    view.ToggleWordWrap();
    EXPECT_TRUE(view.IsWatching());
    // The old control's timers went with it; the watch's timer now runs on the new control.
    EXPECT_TRUE(::KillTimer(view.m_hWnd, CFileWatch::kTimerId));
}
