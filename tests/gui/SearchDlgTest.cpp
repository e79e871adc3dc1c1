// The Find and Replace dialogs on real windows, driven by messages: their starting states, the
// buttons that follow the search text, the requests they post to their owner (and what the owner
// reads from them), the close request that leaves the closing to the owner, the select-all when
// shown, and the context-help table shared with find in files.
#include "ViewDialogDriver.h"
#include "ViewHost.h"
#include "framework/ContextHelp.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "search/SearchDlg.h"
#include "search/SearchHelp.h"
#include "search/SearchHistory.h"
#include <memory>
#include <vector>

namespace {
struct Posted {
    WPARAM nAction;
    LPARAM pDialog;
};
} // namespace

class SearchDlgTest : public ViewHost {
protected:
    // A dialog owned by the host frame, created hidden as the main frame creates it.
    std::unique_ptr<CSearchDlg> Make(UINT nTemplate) {
        auto pDlg = std::make_unique<CSearchDlg>(nTemplate, &m_frame);
        EXPECT_TRUE(pDlg->Create());
        return pDlg;
    }
    // The requests waiting in the owner's queue, taken out in order.
    std::vector<Posted> TakeRequests() {
        std::vector<Posted> requests;
        MSG msg;
        while (::PeekMessageW(&msg, m_frame.m_hWnd, WM_SEARCHREQUEST, WM_SEARCHREQUEST, PM_REMOVE))
            requests.push_back({msg.wParam, msg.lParam});
        return requests;
    }
    static bool Enabled(HWND hDlg, int nID) { return ::IsWindowEnabled(::GetDlgItem(hDlg, nID)) != FALSE; }
    static bool Checked(HWND hDlg, int nID) { return ::IsDlgButtonChecked(hDlg, nID) == BST_CHECKED; }
    // A click as the dialog manager reports it: WM_COMMAND with BN_CLICKED and the button.
    static void Click(HWND hDlg, int nID) {
        ::SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, nID)));
    }
    static void CheckBox(HWND hDlg, int nID, bool bOn) {
        ::SendDlgItemMessageW(hDlg, nID, BM_SETCHECK, bOn ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // A key as the message loop hands it to a modeless dialog's filter.
    static void DialogKey(HWND hDlg, WPARAM vk) {
        MSG msg{::GetFocus() ? ::GetFocus() : hDlg, WM_KEYDOWN, vk, 1, 0, {}};
        ::IsDialogMessageW(hDlg, &msg);
    }
};

TEST_F(SearchDlgTest, FindDialogStartsDownwardsAndMapsItsControls) {
    auto pDlg = Make(IDD_FIND);
    HWND hDlg = pDlg->m_hWnd;
    EXPECT_EQ(CDialogDriver::WindowText(hDlg), L"検索");
    EXPECT_EQ(::GetWindow(hDlg, GW_OWNER), m_frame.m_hWnd);
    EXPECT_FALSE(pDlg->IsReplaceDialog());
    EXPECT_TRUE(Checked(hDlg, IDC_SEARCH_DOWN));
    EXPECT_FALSE(Checked(hDlg, IDC_SEARCH_UP));
    EXPECT_FALSE(Checked(hDlg, IDC_WHOLE_WORD));
    EXPECT_FALSE(Checked(hDlg, IDC_MATCH_CASE));
    EXPECT_EQ(::GetDlgItem(hDlg, IDC_REPLACE_WITH), nullptr);
    EXPECT_EQ(::GetFocus(), EditBoxOf(::GetDlgItem(hDlg, IDC_FIND_WHAT))) << "the search box's edit box";
    // Nothing to search for: the button is off, and Enter posts nothing either.
    EXPECT_FALSE(Enabled(hDlg, IDOK));
    DialogKey(hDlg, VK_RETURN);
    Click(hDlg, IDOK);
    EXPECT_TRUE(TakeRequests().empty());

    pDlg->SetFindText(L"ab");
    EXPECT_TRUE(Enabled(hDlg, IDOK));
    CheckBox(hDlg, IDC_WHOLE_WORD, true);
    SearchRequest request = pDlg->GetSearchRequest();
    EXPECT_EQ(request.strFind, L"ab");
    EXPECT_TRUE(request.fWholeWord);
    EXPECT_FALSE(request.fMatchCase);
    EXPECT_TRUE(request.fSearchDown);
    EXPECT_FALSE(request.bReplaceDialog);
    EXPECT_FALSE(request.fNotepadLike);

    ::CheckRadioButton(hDlg, IDC_SEARCH_UP, IDC_SEARCH_DOWN, IDC_SEARCH_UP);
    CheckBox(hDlg, IDC_WHOLE_WORD, false);
    CheckBox(hDlg, IDC_MATCH_CASE, true);
    request = pDlg->GetSearchRequest();
    EXPECT_FALSE(request.fSearchDown);
    EXPECT_FALSE(request.fWholeWord);
    EXPECT_TRUE(request.fMatchCase);

    // Button 1 and Enter (the default button) post find-next with the dialog; it stays open.
    Click(hDlg, IDOK);
    DialogKey(hDlg, VK_RETURN);
    std::vector<Posted> requests = TakeRequests();
    ASSERT_EQ(requests.size(), 2u);
    for (const Posted& p : requests) {
        EXPECT_EQ(p.nAction, static_cast<WPARAM>(SR_FINDNEXT));
        EXPECT_EQ(p.pDialog, reinterpret_cast<LPARAM>(pDlg.get()));
    }
    EXPECT_TRUE(::IsWindow(hDlg));

    // Emptying the box turns the button off again.
    ::SetDlgItemTextW(hDlg, IDC_FIND_WHAT, L"");
    EXPECT_FALSE(Enabled(hDlg, IDOK));
}

TEST_F(SearchDlgTest, ReplaceDialogBringsItsTextAndNotepadBoxAndAlwaysSearchesDown) {
    auto pDlg = Make(IDD_REPLACE);
    HWND hDlg = pDlg->m_hWnd;
    EXPECT_EQ(CDialogDriver::WindowText(hDlg), L"置換");
    EXPECT_TRUE(pDlg->IsReplaceDialog());
    EXPECT_EQ(::GetDlgItem(hDlg, IDC_SEARCH_UP), nullptr);
    EXPECT_FALSE(Checked(hDlg, IDC_NOTEPAD_LIKE));
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_FALSE(Enabled(hDlg, nID)) << nID;

    // Typed, as the user does: the buttons follow the box's change notifications.
    HWND hFind = ::GetDlgItem(hDlg, IDC_FIND_WHAT);
    ::SendMessageW(hFind, WM_CHAR, L'x', 1);
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_TRUE(Enabled(hDlg, nID)) << nID;
    ::SendMessageW(hFind, WM_CHAR, VK_BACK, 1);
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        EXPECT_FALSE(Enabled(hDlg, nID)) << nID;

    pDlg->SetFindText(L"あい");
    pDlg->SetReplaceText(L"う");
    CheckBox(hDlg, IDC_NOTEPAD_LIKE, true);
    CheckBox(hDlg, IDC_MATCH_CASE, true);
    SearchRequest request = pDlg->GetSearchRequest();
    EXPECT_EQ(request.strFind, L"あい");
    EXPECT_EQ(request.strReplace, L"う");
    EXPECT_TRUE(request.bReplaceDialog);
    EXPECT_TRUE(request.fNotepadLike);
    EXPECT_TRUE(request.fMatchCase);
    EXPECT_FALSE(request.fWholeWord);
    EXPECT_TRUE(request.fSearchDown);

    // Each button its action; Enter is find-next here too.
    Click(hDlg, IDC_REPLACE);
    Click(hDlg, IDC_REPLACE_ALL);
    Click(hDlg, IDOK);
    DialogKey(hDlg, VK_RETURN);
    std::vector<Posted> requests = TakeRequests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].nAction, static_cast<WPARAM>(SR_REPLACE));
    EXPECT_EQ(requests[1].nAction, static_cast<WPARAM>(SR_REPLACEALL));
    EXPECT_EQ(requests[2].nAction, static_cast<WPARAM>(SR_FINDNEXT));
    EXPECT_EQ(requests[3].nAction, static_cast<WPARAM>(SR_FINDNEXT));
}

TEST_F(SearchDlgTest, CloseIsARequestPostedOnceAndTheDialogStaysForItsOwnerToDestroy) {
    for (UINT nTemplate : {IDD_FIND, IDD_REPLACE}) {
        for (int nWay = 0; nWay < 3; ++nWay) {
            auto pDlg = Make(nTemplate);
            HWND hDlg = pDlg->m_hWnd;
            pDlg->SetFindText(L"q");
            if (nWay == 0)
                Click(hDlg, IDCANCEL);
            else if (nWay == 1)
                DialogKey(hDlg, VK_ESCAPE);
            else
                ::SendMessageW(hDlg, WM_CLOSE, 0, 0);
            // Escape, the close box and the button again before the owner got round to it.
            DialogKey(hDlg, VK_ESCAPE);
            ::SendMessageW(hDlg, WM_CLOSE, 0, 0);
            Click(hDlg, IDCANCEL);
            std::vector<Posted> requests = TakeRequests();
            ASSERT_EQ(requests.size(), 1u) << nTemplate << " way " << nWay;
            EXPECT_EQ(requests[0].nAction, static_cast<WPARAM>(SR_CLOSE));
            EXPECT_EQ(requests[0].pDialog, reinterpret_cast<LPARAM>(pDlg.get()));
            EXPECT_TRUE(::IsWindow(hDlg)) << "the owner destroys it";
            // The options of the moment are still there for the owner to read.
            EXPECT_EQ(pDlg->GetSearchRequest().strFind, L"q");
            pDlg.reset();
            EXPECT_FALSE(::IsWindow(hDlg));
        }
    }
}

TEST_F(SearchDlgTest, ShownDialogSelectsItsSearchText) {
    auto pDlg = Make(IDD_FIND);
    HWND hDlg = pDlg->m_hWnd;
    pDlg->SetFindText(L"last search");
    HWND hFind = EditBoxOf(::GetDlgItem(hDlg, IDC_FIND_WHAT));
    ::SendMessageW(hFind, EM_SETSEL, 3, 3);
    pDlg->ShowWindow(SW_SHOW);
    DWORD nStart = 0, nEnd = 0;
    ::SendMessageW(hFind, EM_GETSEL, reinterpret_cast<WPARAM>(&nStart), reinterpret_cast<LPARAM>(&nEnd));
    EXPECT_EQ(nStart, 0u);
    EXPECT_EQ(nEnd, 11u);
    // Typing replaces the old text.
    ::SendMessageW(hFind, WM_CHAR, L'z', 1);
    EXPECT_EQ(CDialogDriver::ItemText(hDlg, IDC_FIND_WHAT), L"z");
}

TEST_F(SearchDlgTest, TemplatesHoldTheirControlsWithTheirTexts) {
    struct Control {
        int nID;
        const wchar_t* pszText;
        bool bFind;
        bool bReplace;
    };
    const Control controls[] = {
        {IDC_FIND_WHAT_LABEL, L"検索する文字列(&N):", true, true},
        {IDC_FIND_WHAT, L"", true, true},
        {IDC_REPLACE_WITH_LABEL, L"置換後の文字列(&P):", false, true},
        {IDC_REPLACE_WITH, L"", false, true},
        {IDC_WHOLE_WORD, L"単語単位で探す(&W)", true, true},
        {IDC_MATCH_CASE, L"大文字と小文字を区別する(&C)", true, true},
        {IDC_NOTEPAD_LIKE, L"メモ帳風(&L)", false, true},
        {IDC_DIRECTION_GROUP, L"検索する方向", true, false},
        {IDC_SEARCH_UP, L"上へ(&U)", true, false},
        {IDC_SEARCH_DOWN, L"下へ(&D)", true, false},
        {IDOK, L"次を検索(&F)", true, true},
        {IDC_REPLACE, L"置換して次に(&R)", false, true},
        {IDC_REPLACE_ALL, L"すべて置換(&A)", false, true},
        {IDCANCEL, L"キャンセル", true, true},
    };
    for (UINT nTemplate : {IDD_FIND, IDD_REPLACE}) {
        auto pDlg = Make(nTemplate);
        for (const Control& c : controls) {
            HWND hCtl = ::GetDlgItem(pDlg->m_hWnd, c.nID);
            if (nTemplate == IDD_FIND ? !c.bFind : !c.bReplace) {
                EXPECT_EQ(hCtl, nullptr) << nTemplate << " " << c.nID;
                continue;
            }
            ASSERT_NE(hCtl, nullptr) << nTemplate << " " << c.nID;
            EXPECT_EQ(CDialogDriver::WindowText(hCtl), c.pszText) << nTemplate << " " << c.nID;
        }
        // Enter presses "次を検索(&F)" in both.
        EXPECT_EQ(LOWORD(::SendMessageW(pDlg->m_hWnd, DM_GETDEFID, 0, 0)), IDOK);
    }
}

TEST(SearchHelp, EveryControlHasItsTextAndOtherDialogsRowsFallToNoTopic) {
    using D = SearchHelpDialog;
    struct Row {
        int nCtrl;
        UINT nFindReplace;
        UINT nFindInFiles;
    };
    const Row rows[] = {
        {IDOK, IDS_HELP_FIND_NEXT, IDS_HELP_FIND_NEXT},
        {IDCANCEL, IDS_HELP_CANCEL, IDS_HELP_CANCEL},
        {IDC_FIND_WHAT, IDS_HELP_FIND_WHAT, IDS_HELP_FIND_WHAT},
        {IDC_FIND_WHAT_LABEL, IDS_HELP_FIND_WHAT, IDS_HELP_FIND_WHAT},
        {IDC_WHOLE_WORD, IDS_HELP_WHOLE_WORD, IDS_HELP_WHOLE_WORD},
        {IDC_MATCH_CASE, IDS_HELP_MATCH_CASE, IDS_HELP_MATCH_CASE},
        {IDC_SEARCH_UP, IDS_HELP_DIRECTION, IDS_HELP_NO_TOPIC},
        {IDC_SEARCH_DOWN, IDS_HELP_DIRECTION, IDS_HELP_NO_TOPIC},
        {IDC_DIRECTION_GROUP, IDS_HELP_DIRECTION, IDS_HELP_NO_TOPIC},
        {IDC_REPLACE_WITH, IDS_HELP_REPLACE_WITH, IDS_HELP_NO_TOPIC},
        {IDC_REPLACE_WITH_LABEL, IDS_HELP_REPLACE_WITH, IDS_HELP_NO_TOPIC},
        {IDC_REPLACE, IDS_HELP_REPLACE, IDS_HELP_NO_TOPIC},
        {IDC_REPLACE_ALL, IDS_HELP_REPLACE_ALL, IDS_HELP_NO_TOPIC},
        {IDC_NOTEPAD_LIKE, IDS_HELP_NOTEPAD_LIKE, IDS_HELP_NO_TOPIC},
        {IDC_WRAP_AROUND, IDS_HELP_WRAP_AROUND, IDS_HELP_NO_TOPIC},
        {IDC_IN_SELECTION, IDS_HELP_IN_SELECTION, IDS_HELP_NO_TOPIC},
        {IDC_FIF_EXCLUDE, IDS_HELP_NO_TOPIC, IDS_HELP_EXCLUDE},
        {IDC_FIF_EXCLUDE_LABEL, IDS_HELP_NO_TOPIC, IDS_HELP_EXCLUDE},
        {1050, IDS_HELP_NO_TOPIC, IDS_HELP_FILE_TYPES},
        {1058, IDS_HELP_NO_TOPIC, IDS_HELP_FILE_TYPES},
        {1051, IDS_HELP_NO_TOPIC, IDS_HELP_FOLDER},
        {1052, IDS_HELP_NO_TOPIC, IDS_HELP_FOLDER},
        {1059, IDS_HELP_NO_TOPIC, IDS_HELP_FOLDER},
        {1053, IDS_HELP_NO_TOPIC, IDS_HELP_SUBFOLDERS},
        {1054, IDS_HELP_NO_TOPIC, IDS_HELP_NO_TOPIC},
        {0, IDS_HELP_NO_TOPIC, IDS_HELP_NO_TOPIC},
        {-1, IDS_HELP_NO_TOPIC, IDS_HELP_NO_TOPIC},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(SearchHelpStringFor(r.nCtrl, D::FindReplace), r.nFindReplace) << r.nCtrl;
        EXPECT_EQ(SearchHelpStringFor(r.nCtrl, D::FindInFiles), r.nFindInFiles) << r.nCtrl;
    }
}

TEST_F(SearchDlgTest, HelpRequestShowsTheControlsTextInOurPopupAtTheControl) {
    auto pDlg = Make(IDD_REPLACE);
    HWND hDlg = pDlg->m_hWnd;
    for (int nID : {IDC_REPLACE_WITH_LABEL, IDC_NOTEPAD_LIKE}) {
        HWND hCtl = ::GetDlgItem(hDlg, nID);
        ASSERT_NE(hCtl, nullptr) << nID;
        HELPINFO hi{sizeof hi, HELPINFO_WINDOW, nID, hCtl, 0, {}};
        EXPECT_EQ(::SendMessageW(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi)), TRUE);
        HWND hPopup = GetContextHelpPopup();
        ASSERT_NE(hPopup, nullptr) << nID;
        EXPECT_EQ(CDialogDriver::WindowText(hPopup),
                  LoadStringResource(SearchHelpStringFor(nID, SearchHelpDialog::FindReplace)));
        RECT rcCtl{}, rcPopup{};
        ::GetWindowRect(hCtl, &rcCtl);
        ::GetWindowRect(hPopup, &rcPopup);
        EXPECT_EQ(rcPopup.left, rcCtl.left) << nID;
        EXPECT_EQ(rcPopup.top, (rcCtl.top + rcCtl.bottom) / 2) << nID;
        ::PostMessageW(hPopup, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hPopup); }));
    }
    // Asked from the edit box inside the search box's combo box, which has an id of its own: the
    // search box's text, at the combo box.
    HWND hCombo = ::GetDlgItem(hDlg, IDC_FIND_WHAT);
    HWND hEdit = EditBoxOf(hCombo);
    ASSERT_NE(hEdit, hCombo);
    HELPINFO hi{sizeof hi, HELPINFO_WINDOW, ::GetDlgCtrlID(hEdit), hEdit, 0, {}};
    EXPECT_EQ(::SendMessageW(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi)), TRUE);
    HWND hPopup = GetContextHelpPopup();
    ASSERT_NE(hPopup, nullptr);
    EXPECT_EQ(CDialogDriver::WindowText(hPopup), LoadStringResource(IDS_HELP_FIND_WHAT));
    RECT rcCombo{}, rcPopup{};
    ::GetWindowRect(hCombo, &rcCombo);
    ::GetWindowRect(hPopup, &rcPopup);
    EXPECT_EQ(rcPopup.left, rcCombo.left);
    ::PostMessageW(hPopup, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hPopup); }));
    TakeRequests();
}
