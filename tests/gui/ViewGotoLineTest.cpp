// The Go to line dialog as the user meets it, driven by real messages inside its modal loop: its
// starting values, the caret it leaves, the integer validation that keeps it open, its owner, its
// context help in our own pop-up (Wine's help viewer shows none), and CDialog's modeless use.
#include "ViewDialogDriver.h"
#include "ViewHost.h"
#include "framework/ContextHelp.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "view/GotoLineDlg.h"

namespace {
const std::wstring kGotoCaption = L"行へ移動";
const std::wstring kAppCaption = L"Tessarin";

LOGFONTW FontOf(HWND hWnd) {
    LOGFONTW lf{};
    auto hFont = reinterpret_cast<HFONT>(::SendMessageW(hWnd, WM_GETFONT, 0, 0));
    if (hFont)
        ::GetObjectW(hFont, sizeof lf, &lf);
    return lf;
}
} // namespace

class ViewGotoLineTest : public ViewHost {
protected:
    // Runs the command as the menu or Ctrl+G would, while the driver works the dialog.
    void RunGotoLine(CDialogDriver& driver) {
        m_frame.SendMessage(WM_COMMAND, ID_EDIT_GOTO_LINE);
        EXPECT_TRUE(driver.Done());
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(CDialogDriver::FindDialog(kGotoCaption), nullptr);
    }
    static void Enter(HWND hDlg, const wchar_t* pszLine, const wchar_t* pszColumn) {
        ::SetDlgItemTextW(hDlg, IDC_GOTO_LINE, pszLine);
        ::SetDlgItemTextW(hDlg, IDC_GOTO_COLUMN, pszColumn);
        CDialogDriver::Press(hDlg, IDOK);
    }
};

TEST_F(ViewGotoLineTest, StartsAtOneOneAndPutsTheCaretAtLineAndColumn) {
    Load(L"first\r\nsecond\r\nthird", 3);
    CDialogDriver driver;
    HWND hOwner = nullptr;
    bool bOwnerEnabled = true;
    driver.When(kGotoCaption, [&](HWND hDlg) {
        EXPECT_EQ(CDialogDriver::ItemText(hDlg, IDC_GOTO_LINE), L"1");
        EXPECT_EQ(CDialogDriver::ItemText(hDlg, IDC_GOTO_COLUMN), L"1");
        hOwner = ::GetWindow(hDlg, GW_OWNER);
        bOwnerEnabled = ::IsWindowEnabled(m_frame.m_hWnd) != FALSE;
        Enter(hDlg, L"2", L"4");
    });
    RunGotoLine(driver);
    EXPECT_EQ(hOwner, m_frame.m_hWnd);
    EXPECT_FALSE(bOwnerEnabled);
    EXPECT_TRUE(::IsWindowEnabled(m_frame.m_hWnd));
    EXPECT_EQ(Sel(), std::make_pair(7 + 3, 7 + 3));

    // Line 1, column 1 is offset 0; the fields start at 1 again each time.
    CDialogDriver again;
    again.When(kGotoCaption, [&](HWND hDlg) {
        EXPECT_EQ(CDialogDriver::ItemText(hDlg, IDC_GOTO_LINE), L"1");
        CDialogDriver::Press(hDlg, IDOK);
    });
    RunGotoLine(again);
    EXPECT_EQ(Sel(), std::make_pair(0, 0));
}

TEST_F(ViewGotoLineTest, NoRangeTestAndCancelLeavesTheCaret) {
    Load(L"ab\r\ncd", 1);
    CDialogDriver cancel;
    cancel.When(kGotoCaption, [](HWND hDlg) {
        ::SetDlgItemTextW(hDlg, IDC_GOTO_LINE, L"2");
        CDialogDriver::Press(hDlg, IDCANCEL);
    });
    RunGotoLine(cancel);
    EXPECT_EQ(Sel(), std::make_pair(1, 1));

    // A column past the line's end stops at the end of the line, before its line break.
    CDialogDriver past;
    past.When(kGotoCaption, [](HWND hDlg) { Enter(hDlg, L" 1 ", L"+5"); });
    RunGotoLine(past);
    EXPECT_EQ(Sel(), std::make_pair(2, 2));
}

TEST_F(ViewGotoLineTest, TheCaretStaysOnTheLineAndOutOfLineBreaksAndSurrogatePairs) {
    // "ab" CR LF "x" U+1F600 "y" CR LF "last"
    Load(L"ab\r\nx\xD83D\xDE00y\r\nlast", 0);
    struct Case {
        int nLine, nColumn, nOffset;
    };
    const Case cases[] = {
        {1, 0, 0},  {2, 0, 4},  {2, -3, 4}, // before the first column: the line's start
        {1, 3, 2},  {1, 99, 2}, {2, 6, 8},  // past the end: before the line break
        {2, 3, 5},                          // on the second half of a pair: before the pair
        {2, 4, 7},  {3, 5, 14}, {3, 9, 14}, // after the pair; the last line's end is the text's
        {9, 1, 10}, {0, 2, 1},  {-4, 1, 0}, // lines the text lacks: its first or last line
    };
    for (const Case& c : cases) {
        Select(7, 7);
        m_view.GoToLineColumn(c.nLine, c.nColumn);
        EXPECT_EQ(Sel(), std::make_pair(c.nOffset, c.nOffset)) << c.nLine << ":" << c.nColumn;
    }
    // Typing where a column past the end put the caret keeps the line break whole.
    m_view.GoToLineColumn(1, 40);
    Type(L"Q");
    EXPECT_EQ(Text().substr(0, 5), L"abQ\r\n");
}

TEST_F(ViewGotoLineTest, ANonIntegerKeepsTheDialogOpenWithTheFrameworkMessage) {
    Load(L"one\r\ntwo\r\nthree", 0);
    CDialogDriver driver;
    std::wstring strMessage;
    HWND hFocus = nullptr, hColumn = nullptr;
    DWORD dwSel = 0;
    driver.When(kGotoCaption, [](HWND hDlg) { Enter(hDlg, L"3", L"x1"); })
        .When(kAppCaption,
              [&](HWND hBox) {
                  strMessage = CDialogDriver::MessageBoxText(hBox);
                  CDialogDriver::Press(hBox, IDOK);
              })
        .When(kGotoCaption, [&](HWND hDlg) {
            hFocus = ::GetFocus();
            hColumn = ::GetDlgItem(hDlg, IDC_GOTO_COLUMN);
            dwSel = static_cast<DWORD>(::SendMessageW(::GetDlgItem(hDlg, IDC_GOTO_COLUMN), EM_GETSEL, 0, 0));
            ::SetDlgItemTextW(hDlg, IDC_GOTO_COLUMN, L"2");
            CDialogDriver::Press(hDlg, IDOK);
        });
    RunGotoLine(driver);
    EXPECT_EQ(strMessage, L"整数を入力してください。");
    EXPECT_EQ(hFocus, hColumn); // the field that failed has the focus again
    EXPECT_EQ(LOWORD(dwSel), 0);
    EXPECT_EQ(HIWORD(dwSel), 2); // "x1" selected for retyping
    EXPECT_EQ(Sel(), std::make_pair(10 + 1, 10 + 1));
}

TEST_F(ViewGotoLineTest, CountsTheFilesLinesWhileWordWrapIsOn) {
    // The first line wraps into many rows: line 3 is the file's third line all the same.
    std::wstring text;
    for (int i = 0; i < 300; ++i)
        text += L"word ";
    text += L"\r\nsecond\r\nthird line";
    Load(text, 0);
    m_frame.SendMessage(WM_COMMAND, ID_FORMAT_WORD_WRAP);
    ASSERT_TRUE(m_view.IsWordWrap());
    EXPECT_TRUE(Enabled(ID_EDIT_GOTO_LINE));
    CDialogDriver driver;
    driver.When(kGotoCaption, [&](HWND hDlg) { Enter(hDlg, L"3", L"2"); });
    RunGotoLine(driver);
    const int nThird = static_cast<int>(text.find(L"third"));
    EXPECT_EQ(Sel(), std::make_pair(nThird + 1, nThird + 1));
    // The caret was scrolled into view.
    RECT rc{};
    ::GetClientRect(m_view.m_hWnd, &rc);
    const POINT pt = m_view.PosFromChar(nThird + 1);
    EXPECT_GE(pt.y, 0);
    EXPECT_LT(pt.y, rc.bottom);
    m_frame.SendMessage(WM_COMMAND, ID_FORMAT_WORD_WRAP);
    EXPECT_TRUE(Enabled(ID_EDIT_GOTO_LINE));
}

TEST_F(ViewGotoLineTest, ContextHelpShowsEachControlsTextInOurPopup) {
    Load(L"x");
    SetContextHelpFont(LoadStringResource(IDS_HELP_POPUP_FONT)); // as the application does at start-up
    struct Case {
        int nID;
        UINT nString;
    };
    // Each pop-up is a shown and hidden top-level window, which Wine makes slow to unmap under
    // Xvfb: one field, one label and one button go through the real pop-up; the rest through the
    // dialog's table.
    const Case cases[] = {
        {IDOK, IDS_HELP_GOTO_OK}, {IDC_GOTO_LINE_LABEL, IDS_HELP_GOTO_LINE}, {IDC_GOTO_COLUMN, IDS_HELP_GOTO_COLUMN}};
    EXPECT_EQ(CGotoLineDlg::HelpStringFor(IDCANCEL), static_cast<UINT>(IDS_HELP_CANCEL));
    EXPECT_EQ(CGotoLineDlg::HelpStringFor(IDC_GOTO_LINE), static_cast<UINT>(IDS_HELP_GOTO_LINE));
    EXPECT_EQ(CGotoLineDlg::HelpStringFor(IDC_GOTO_COLUMN_LABEL), static_cast<UINT>(IDS_HELP_GOTO_COLUMN));
    CDialogDriver driver;
    driver.When(kGotoCaption, [&](HWND hDlg) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.nID);
            HWND hCtl = ::GetDlgItem(hDlg, c.nID);
            HELPINFO hi{sizeof hi, HELPINFO_WINDOW, c.nID, hCtl, 0, {}};
            EXPECT_TRUE(::SendMessageW(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi)));
            HWND hPopup = GetContextHelpPopup();
            ASSERT_NE(hPopup, nullptr);
            EXPECT_EQ(CDialogDriver::WindowText(hPopup), LoadStringResource(c.nString));
            RECT rcPopup{};
            ::GetWindowRect(hPopup, &rcPopup);
            const POINT pt = ContextHelpPoint(hCtl);
            RECT rcCtl{};
            ::GetWindowRect(hCtl, &rcCtl);
            EXPECT_EQ(pt.x, rcCtl.left);
            EXPECT_EQ(pt.y, (rcCtl.top + rcCtl.bottom) / 2);
            EXPECT_EQ(rcPopup.left, pt.x);
            EXPECT_EQ(rcPopup.top, pt.y);
            EXPECT_STREQ(FontOf(hPopup).lfFaceName, L"MS UIゴシック");
            // A key closes it.
            ::PostMessageW(hPopup, WM_KEYDOWN, VK_SPACE, 0);
            EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hPopup); }));
        }
        // A control without a text of its own, and the dialog itself, get "no topic".
        HELPINFO hi{sizeof hi, HELPINFO_WINDOW, 0, hDlg, 0, {}};
        ::SendMessageW(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
        ASSERT_NE(GetContextHelpPopup(), nullptr);
        EXPECT_EQ(CDialogDriver::WindowText(GetContextHelpPopup()), L"この項目に対するヘルプトピックはありません。");
        CDialogDriver::Press(hDlg, IDCANCEL);
    });
    RunGotoLine(driver);
    EXPECT_TRUE(PumpUntil([] { return GetContextHelpPopup() == nullptr; }));
}

TEST_F(ViewGotoLineTest, ModelessDialogExchangesAndValidatesWithoutDisablingItsOwner) {
    CGotoLineDlg dlg(&m_view);
    ASSERT_TRUE(dlg.Create(IDD_GOTO_LINE, &m_view));
    EXPECT_FALSE(dlg.IsModal());
    EXPECT_EQ(::GetWindow(dlg.m_hWnd, GW_OWNER), m_frame.m_hWnd);
    EXPECT_TRUE(::IsWindowEnabled(m_frame.m_hWnd));
    EXPECT_EQ(CDialogDriver::ItemText(dlg.m_hWnd, IDC_GOTO_LINE), L"1");
    ::SetDlgItemTextW(dlg.m_hWnd, IDC_GOTO_LINE, L"  42\t");
    ::SetDlgItemTextW(dlg.m_hWnd, IDC_GOTO_COLUMN, L"-7");
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.m_nLine, 42);
    EXPECT_EQ(dlg.m_nColumn, -7);
    dlg.m_nLine = 5;
    EXPECT_TRUE(dlg.UpdateData(false));
    EXPECT_EQ(CDialogDriver::ItemText(dlg.m_hWnd, IDC_GOTO_LINE), L"5");
    HWND hDlg = dlg.m_hWnd;
    dlg.SendMessage(WM_COMMAND, IDCANCEL); // Escape or the close box: a modeless dialog is destroyed
    EXPECT_FALSE(::IsWindow(hDlg));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST(DialogIntegerTest, ReadsWholeNumbersTheFrameworksWay) {
    int n = 99;
    EXPECT_TRUE(ParseDialogInt(L"0", n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(ParseDialogInt(L" \t12 ", n));
    EXPECT_EQ(n, 12);
    EXPECT_TRUE(ParseDialogInt(L"+3", n));
    EXPECT_EQ(n, 3);
    EXPECT_TRUE(ParseDialogInt(L"-4", n));
    EXPECT_EQ(n, -4);
    for (const wchar_t* psz : {L"", L"  ", L"a", L"1a", L"1 2", L"-0", L"+", L"1.5"}) {
        n = 99;
        EXPECT_FALSE(ParseDialogInt(psz, n)) << psz;
        EXPECT_EQ(n, 99);
    }
}
