// The view's watch on the document's file, with real files and the real timer: a rewrite raises
// exactly one reload question however many ticks pass while it is shown, changes of attributes or
// access time raise none, a deleted file marks the document modified without a word, and the
// question's text and buttons.
#include "TestFiles.h"
#include "ViewDialogDriver.h"
#include "ViewHost.h"
#include "res/resource.h"
#include <cstring>

namespace {
const std::wstring kAppCaption = L"Tessarin";

// Counts the watch timer's ticks as they are taken from the queue (a GetMessage hook), so a test
// can wait for ticks to have happened rather than for a time to have passed.
class CTickCounter {
public:
    explicit CTickCounter(HWND hView) {
        s_hView = hView;
        s_nTicks = 0;
        m_hHook = ::SetWindowsHookExW(WH_GETMESSAGE, &Hook, nullptr, ::GetCurrentThreadId());
    }
    ~CTickCounter() {
        if (m_hHook)
            ::UnhookWindowsHookEx(m_hHook);
    }
    CTickCounter(const CTickCounter&) = delete;
    CTickCounter& operator=(const CTickCounter&) = delete;
    static int Ticks() { return s_nTicks; }

private:
    static LRESULT CALLBACK Hook(int nCode, WPARAM wParam, LPARAM lParam) {
        auto* pMsg = reinterpret_cast<MSG*>(lParam);
        if (nCode == HC_ACTION && wParam == PM_REMOVE && pMsg->message == WM_TIMER && pMsg->wParam == 1 &&
            pMsg->hwnd == s_hView)
            ++s_nTicks;
        return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
    static inline HWND s_hView = nullptr;
    static inline int s_nTicks = 0;
    HHOOK m_hHook = nullptr;
};

// Gives the file a last-write time of its own, so the change never hides inside the file
// system's time resolution.
void SetWriteTime(const std::wstring& path, int nMinutesAgo) {
    HANDLE h = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart -= static_cast<ULONGLONG>(nMinutesAgo) * 60 * 10000000;
    ft = FILETIME{t.LowPart, t.HighPart};
    ::SetFileTime(h, nullptr, nullptr, &ft);
    ::CloseHandle(h);
}
void Rewrite(const std::wstring& path, const char* pszText, int nMinutesAgo) {
    WriteAllBytes(path, pszText, std::strlen(pszText));
    SetWriteTime(path, nMinutesAgo);
}
} // namespace

class ViewWatchTest : public ViewHost {
protected:
    void TearDown() override { m_view.StopFileWatch(); }
    CTempDir m_dir;
};

TEST_F(ViewWatchTest, RewriteAsksOnceHoweverManyTicksPassWhileTheQuestionIsUp) {
    const std::wstring path = m_dir.File(L"watched.txt");
    Rewrite(path, "first", 30);
    CTickCounter ticks(m_view.m_hWnd);
    m_view.StartFileWatch(path);
    ASSERT_TRUE(m_view.IsWatching());
    m_view.StartFileWatch(m_dir.File(L"other.txt")); // a running watch is left as it is

    Rewrite(path, "second", 20);
    CDialogDriver driver;
    std::wstring strQuestion;
    int nTicksWhileUp = 0;
    driver.When(kAppCaption, [&](HWND hBox) {
        strQuestion = CDialogDriver::MessageBoxText(hBox);
        EXPECT_NE(::GetDlgItem(hBox, IDYES), nullptr);
        EXPECT_NE(::GetDlgItem(hBox, IDNO), nullptr);
        EXPECT_EQ(::GetDlgItem(hBox, IDCANCEL), nullptr);
        // Another rewrite while the question is up: the tick posts again, nothing more is asked.
        Rewrite(path, "third", 10);
        const int nStart = CTickCounter::Ticks();
        EXPECT_TRUE(PumpUntil([&] { return CTickCounter::Ticks() >= nStart + 2; }, 8000));
        nTicksWhileUp = CTickCounter::Ticks() - nStart;
        CDialogDriver::Press(hBox, IDNO);
    });
    // The question comes up from the view's own message, inside this wait.
    ASSERT_TRUE(PumpUntil([&] { return driver.Done(); }, 8000));
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(strQuestion, path + L"\r\n\r\nこのファイルは外部のエディタで変更されています。再ロードしますか？");
    EXPECT_GE(nTicksWhileUp, 2);

    // After No the watch goes on with the new time: the same change is not reported again.
    const int nNow = CTickCounter::Ticks();
    ASSERT_TRUE(PumpUntil([&] { return CTickCounter::Ticks() >= nNow + 2; }, 8000));
    EXPECT_EQ(CDialogDriver::FindDialog(kAppCaption), nullptr);
}

TEST_F(ViewWatchTest, AttributesAndAccessTimeAloneAskNothingAndADeletedFileMarksTheDocument) {
    const std::wstring path = m_dir.File(L"attrs.txt");
    Rewrite(path, "text", 30);
    CTickCounter ticks(m_view.m_hWnd);
    m_doc.SetModifiedFlag(false);
    m_view.StartFileWatch(path);

    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    {
        HANDLE h =
            ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        FILETIME ft{};
        ::GetSystemTimeAsFileTime(&ft);
        ::SetFileTime(h, nullptr, &ft, nullptr); // access time only
        ::CloseHandle(h);
    }
    ASSERT_TRUE(PumpUntil([] { return CTickCounter::Ticks() >= 2; }, 8000));
    EXPECT_EQ(CDialogDriver::FindDialog(kAppCaption), nullptr);
    EXPECT_FALSE(m_doc.IsModified());

    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::DeleteFileW(path.c_str()));
    EXPECT_TRUE(PumpUntil([&] { return m_doc.IsModified(); }, 8000));
    EXPECT_EQ(CDialogDriver::FindDialog(kAppCaption), nullptr);

    // The file comes back with another write time: now the question follows.
    Rewrite(path, "back", 5);
    CDialogDriver driver;
    driver.When(kAppCaption, [](HWND hBox) { CDialogDriver::Press(hBox, IDNO); });
    EXPECT_TRUE(PumpUntil([&] { return driver.Done(); }, 8000));
}

TEST_F(ViewWatchTest, StopEndsTheTimerAndAnEmptyPathStartsNothing) {
    m_view.StartFileWatch(L"");
    EXPECT_FALSE(m_view.IsWatching());
    const std::wstring path = m_dir.File(L"stop.txt");
    Rewrite(path, "x", 30);
    m_view.StartFileWatch(path);
    EXPECT_TRUE(m_view.IsWatching());
    m_view.StopFileWatch();
    EXPECT_FALSE(m_view.IsWatching());
    // The timer is really gone: killing it again fails.
    EXPECT_FALSE(::KillTimer(m_view.m_hWnd, 1));
}
