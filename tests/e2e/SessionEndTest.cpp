// The end of a Windows session (shut-down or log-off) as the editor meets it: WM_QUERYENDSESSION runs
// the save-changes question, Cancel refuses the end, and WM_ENDSESSION ends the program with its
// settings stored, without asking again.
#include "TessarinApp.h"
#include <atomic>
#include <optional>
#include <thread>

using namespace e2e;

namespace {
constexpr const wchar_t* kSaveQuestion = L"ファイル 無題 の内容は変更されています。\n\n変更を保存しますか？";

// WM_QUERYENDSESSION as the system sends it, on a thread of its own: the answer may wait for the
// user, and the test has to answer the question meanwhile.
class CQueryEndSession {
public:
    explicit CQueryEndSession(HWND hWnd)
        : m_thread([this, hWnd] {
              DWORD_PTR result = 0;
              m_bAnswered = ::SendMessageTimeoutW(hWnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                                  kTimeoutMs * 3, &result) != 0;
              m_nResult = static_cast<LRESULT>(result);
              m_bDone = true;
          }) {}
    CQueryEndSession(const CQueryEndSession&) = delete;
    CQueryEndSession& operator=(const CQueryEndSession&) = delete;
    ~CQueryEndSession() {
        if (m_thread.joinable())
            m_thread.join();
    }

    bool IsDone() const { return m_bDone; }
    // Waits for the answer; nullopt when the program gave none.
    std::optional<LRESULT> Result() {
        if (m_thread.joinable())
            m_thread.join();
        return m_bAnswered ? std::optional<LRESULT>(m_nResult) : std::nullopt;
    }

private:
    std::atomic<bool> m_bDone{false};
    bool m_bAnswered = false;
    LRESULT m_nResult = 0;
    std::thread m_thread;
};
} // namespace

TEST_F(TessarinE2E, EndOfSessionAsksAboutChangesAndCancelRefusesIt) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"unsaved work", Edit()));

    {
        CQueryEndSession query(m_hWndMain);
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << "the session was let go without a question";
        EXPECT_FALSE(query.IsDone()) << "answered before the user did";
        EXPECT_EQ(MessageBoxText(box), kSaveQuestion);
        ASSERT_TRUE(PressButton(box, IDCANCEL));
        EXPECT_EQ(query.Result(), std::optional<LRESULT>(FALSE));
    }
    // Another program refused too: the session goes on, and so does the editor with its text.
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(WindowText(Edit()), L"unsaved work");

    // Saying No lets the session end; the end closes the program and stores its settings, with
    // no second question.
    {
        CQueryEndSession query(m_hWndMain);
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(PressButton(box, IDNO));
        EXPECT_EQ(query.Result(), std::optional<LRESULT>(TRUE));
    }
    EXPECT_FALSE(ReadUserDword(L"iWindowPosX").has_value());
    SendTimed(m_hWndMain, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(m_app.ExitCode(), 0u);
    EXPECT_EQ(ReadUserDword(L"iWindowPosX"), 22u);
    EXPECT_EQ(ReadUserDword(L"fWrap"), 0u);
}

TEST_F(TessarinE2E, EndOfSessionSavesWhenAskedTo) {
    const std::wstring path = m_dir.File(L"kept.txt");
    WriteAllBytes(path, "old", 3);
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"kept.txt - Tessarin"; }));
    ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 0, -1));
    ASSERT_TRUE(m_app.TypeText(L"new", Edit()));
    {
        CQueryEndSession query(m_hWndMain);
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(PressButton(box, IDYES));
        EXPECT_EQ(query.Result(), std::optional<LRESULT>(TRUE));
    }
    EXPECT_EQ(ReadAllBytes(path), (std::vector<unsigned char>{'n', 'e', 'w'}));
    SendTimed(m_hWndMain, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    ASSERT_TRUE(m_app.WaitForExit());
}

TEST_F(TessarinE2E, EndOfSessionWithoutChangesAsksNothing) {
    ASSERT_NE(Launch(), nullptr);
    LRESULT nResult = FALSE;
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_QUERYENDSESSION, 0, 0, &nResult));
    EXPECT_EQ(nResult, TRUE);
    EXPECT_TRUE(m_app.HasNoDialog());
    SendTimed(m_hWndMain, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_EQ(m_app.ExitCode(), 0u);
}
