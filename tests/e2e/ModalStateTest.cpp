// End-to-end checks of the program's modal windows: each is owned by the main window, and while it
// is up the main window and the search dialogs take no input, and a close, an end of the session
// or a DDE open request from another program is refused instead of running under it.
#include "DdeClient.h"
#include "TessarinApp.h"
#include "res/resource.h"
#include <optional>

using namespace e2e;

namespace {
bool AnyMessageBox(const CTargetProcess& app) {
    for (HWND h : app.TopLevelWindows(L"#32770"))
        if (IsMessageBox(h))
            return true;
    return false;
}
} // namespace

class ModalStateE2E : public TessarinE2E {
protected:
    // `modal` is owned by the main window, and neither the main window nor `modeless` takes input.
    void ExpectShutOut(HWND modal, HWND modeless, const char* what) {
        EXPECT_EQ(::GetWindow(modal, GW_OWNER), m_hWndMain) << what << " is not owned by the main window";
        EXPECT_FALSE(::IsWindowEnabled(m_hWndMain)) << "the main window takes input under " << what;
        EXPECT_FALSE(::IsWindowEnabled(modeless)) << "the Replace dialog takes input under " << what;
    }
    void ExpectBackAfter(HWND modal, HWND modeless, const char* what) {
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(modal));
        EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_hWndMain) && ::IsWindowEnabled(modeless); }))
            << "after " << what;
    }
};

TEST_F(ModalStateE2E, ModalWindowsAreOwnedByTheMainWindowAndShutOutTheSearchDialogs) {
    const std::wstring path = m_dir.File(L"doc.txt");
    WriteAllBytes(path, {'a', 'a', 'a', ' ', 'b', 'b', 'b'});
    ASSERT_NE(Launch(path), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REPLACE));
    HWND replace = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"置換"; });
    ASSERT_NE(replace, nullptr);
    // The Replace dialog holds the focus, as after Ctrl+H.
    ASSERT_TRUE(WaitUntil([&] { return ::IsChild(replace, m_app.FocusedWindow()) != FALSE; }));

    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND_IN_FILES));
    HWND findInFiles = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"ファイルから検索"; });
    ASSERT_NE(findInFiles, nullptr);
    ExpectShutOut(findInFiles, replace, "the find-in-files dialog");
    ASSERT_TRUE(PressButton(findInFiles, IDCANCEL));
    ExpectBackAfter(findInFiles, replace, "the find-in-files dialog");

    // "Not found" after a search from the Replace dialog.
    const std::wstring missing = L"zzz";
    ASSERT_TRUE(
        SendTimed(::GetDlgItem(replace, IDC_FIND_WHAT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(missing.c_str())));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(replace, IDOK)) != FALSE; }));
    ASSERT_TRUE(PressButton(replace, IDOK));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ExpectShutOut(box, replace, "the not-found box");
    ASSERT_TRUE(PressButton(box, IDOK));
    ExpectBackAfter(box, replace, "the not-found box");

    // Ctrl+O with the focus in the Replace dialog.
    ASSERT_TRUE(WaitUntil([&] { return ::IsChild(replace, m_app.FocusedWindow()) != FALSE; }));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_OPEN));
    HWND open = m_app.WaitForFileDialog();
    ASSERT_NE(open, nullptr);
    ExpectShutOut(open, replace, "the Open dialog");
    ASSERT_TRUE(PressButton(open, IDCANCEL));
    ExpectBackAfter(open, replace, "the Open dialog");
    EXPECT_EQ(WindowText(Edit()), L"aaa bbb");
    ASSERT_TRUE(PressButton(replace, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(replace));
    ExitDiscarding();
}

TEST_F(ModalStateE2E, CloseEndOfSessionAndDdeOpenDoNotRunUnderSaveAs) {
    const std::wstring other = m_dir.File(L"other.txt");
    WriteAllBytes(other, {'o', 't', 'h', 'e', 'r'});
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"unsaved", Edit()));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
    HWND saveAs = m_app.WaitForFileDialog();
    ASSERT_NE(saveAs, nullptr);

    // A close request: posted, then a character into the focused file-name field behind it, so
    // once the character shows the close has been handled.
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_CLOSE, 0, 0));
    ASSERT_TRUE(m_app.PostText(L"q"));
    ASSERT_TRUE(WaitUntil([&] { return !FileName(saveAs).empty() && FileName(saveAs).back() == L'q'; }));
    ASSERT_FALSE(AnyMessageBox(m_app)) << "the save question came up over Save As";
    ASSERT_TRUE(::IsWindow(m_hWndMain) && ::IsWindowVisible(saveAs));

    // The end of the session is refused at once, without a question.
    LRESULT nAnswer = TRUE;
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_QUERYENDSESSION, 0, 0, &nAnswer, 5000))
        << "WM_QUERYENDSESSION got no answer (a question under Save As?)";
    EXPECT_EQ(nAnswer, FALSE);
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_ENDSESSION, FALSE, 0));
    ASSERT_FALSE(AnyMessageBox(m_app));

    // A DDE open from another program is refused and opens nothing.
    {
        CDdeConversation client;
        ASSERT_TRUE(client.Initiate(L"Tessarin", L"system", m_hWndMain));
        EXPECT_EQ(client.Execute(L"[open(\"" + other + L"\")]"), std::optional<bool>(false));
    }
    ASSERT_FALSE(AnyMessageBox(m_app)) << "the DDE open ran under Save As";
    EXPECT_EQ(WindowText(m_hWndMain), L"無題 - Tessarin");

    // Cancelled: the document is as it was, and the program closes normally.
    ASSERT_TRUE(PressButton(saveAs, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(saveAs));
    EXPECT_EQ(WindowText(Edit()), L"unsaved");
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_hWndMain) != FALSE; }));
    ExitDiscarding();
}
