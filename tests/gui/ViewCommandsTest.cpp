// The view's commands on its real EDIT control: word wrap by re-creating the control, date and
// time under the Japanese locale, the Font dialog, menu states, and OLE drag and drop of text run
// through OLE's own drag loop.
#include "ViewDialogDriver.h"
#include "ViewHost.h"
#include "res/resource.h"
#include "view/DragSource.h"
#include <ole2.h>
#include <regex>

namespace {
// The platform's Font dialog, whatever its caption: the only dialog up while the command runs.
const std::wstring kAnyDialog;
} // namespace

class ViewCommandsTest : public ViewHost {
protected:
    static void SetUpTestSuite() { ::OleInitialize(nullptr); }
    static void TearDownTestSuite() {
        ViewHost::TearDownTestSuite(); // the view revokes its drop target while OLE is still up
        ::OleUninitialize();
    }

    bool Checked(UINT nID) {
        CCmdUI state(nID);
        state.DoUpdate(&m_frame, true);
        return state.IsChecked();
    }
    void ToggleWrap() { m_frame.SendMessage(WM_COMMAND, ID_FORMAT_WORD_WRAP); }
    int FirstVisibleChar() const { return m_view.LineIndex(m_view.GetFirstVisibleLine()); }
};

TEST_F(ViewCommandsTest, WordWrapTwiceKeepsTextSelectionTopLineAndModifiedAndEmptiesHistory) {
    std::wstring text;
    for (int i = 0; i < 120; ++i)
        text += L"line " + std::to_wstring(i) + (i % 7 == 0 ? std::wstring(300, L'w') : L"") + L"\r\n";
    Load(text, 0);
    Type(L"typed ");
    const std::wstring strTyped = Text();
    m_view.LineScroll(40);
    const int nTopChar = FirstVisibleChar();
    ASSERT_GT(nTopChar, 0);
    const int nSelStart = m_view.LineIndex(42) + 2, nSelEnd = m_view.LineIndex(43) + 3;
    m_view.SetSel(nSelStart, nSelEnd, false);
    ASSERT_TRUE(m_doc.IsModified());
    ASSERT_GT(Records(), 0u);
    const HWND hOld = m_view.m_hWnd;
    const HFONT hFont = reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT));
    EXPECT_FALSE(Checked(ID_FORMAT_WORD_WRAP));

    ToggleWrap();
    EXPECT_TRUE(m_view.IsWordWrap());
    EXPECT_TRUE(Checked(ID_FORMAT_WORD_WRAP));
    EXPECT_NE(m_view.m_hWnd, hOld);
    EXPECT_FALSE(::IsWindow(hOld));
    EXPECT_EQ(m_view.GetStyle() & (WS_HSCROLL | ES_AUTOHSCROLL), 0u);
    EXPECT_EQ(m_view.GetDlgCtrlID(), AFX_IDW_PANE_FIRST);
    EXPECT_EQ(m_view.GetParent(), m_frame.m_hWnd);
    EXPECT_TRUE(::IsWindowVisible(m_view.m_hWnd));
    EXPECT_EQ(::GetFocus(), m_view.m_hWnd);
    EXPECT_EQ(reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT)), hFont);
    EXPECT_EQ(Text(), strTyped);
    EXPECT_EQ(Sel(), std::make_pair(nSelStart, nSelEnd));
    EXPECT_EQ(FirstVisibleChar(), nTopChar);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(Records(), 0u);
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));

    ToggleWrap();
    EXPECT_FALSE(m_view.IsWordWrap());
    EXPECT_EQ(m_view.GetStyle() & (WS_HSCROLL | ES_AUTOHSCROLL), static_cast<DWORD>(WS_HSCROLL | ES_AUTOHSCROLL));
    EXPECT_EQ(Text(), strTyped);
    EXPECT_EQ(Sel(), std::make_pair(nSelStart, nSelEnd));
    EXPECT_EQ(FirstVisibleChar(), nTopChar);
    EXPECT_TRUE(m_doc.IsModified());

    // The new control is the view: typing is recorded and undone as before, and the limit is raised.
    Type(L"Z");
    EXPECT_EQ(Records(), 2u); // the selection it replaced, joined to the insertion
    Undo();
    EXPECT_EQ(Text(), strTyped);
    EXPECT_EQ(static_cast<DWORD>(m_view.SendMessage(EM_GETLIMITTEXT)), 0x7FFFFFFFu);
}

TEST_F(ViewCommandsTest, WordWrapKeepsATextLongerThanAWindowNameWhole) {
    // Under Wine a window name of a few MB makes creating the window fail: the text must not
    // travel as the new control's name (word wrap could not be switched on for 3 MB that way).
    std::wstring text;
    for (int i = 0; text.size() < 3000000; ++i)
        text += L"行 " + std::to_wstring(i) + L" 日本語のテキスト\r\n";
    Load(text, 5);
    ToggleWrap();
    ASSERT_TRUE(m_view.IsWordWrap());
    EXPECT_EQ(m_view.GetWindowTextLength(), static_cast<int>(text.size()));
    EXPECT_TRUE(Text() == text);
    EXPECT_FALSE(m_doc.IsModified());
    ToggleWrap();
    EXPECT_FALSE(m_view.IsWordWrap());
    EXPECT_TRUE(Text() == text);
    EXPECT_EQ(Sel(), std::make_pair(5, 5));
    // The text block moved between the controls: typing and undo work on the new one.
    Type(L"x");
    Undo();
    EXPECT_TRUE(Text() == text);
}

TEST_F(ViewCommandsTest, WordWrapKeepsAnUnmodifiedDocumentUnmodified) {
    Load(L"short\r\ntext");
    ToggleWrap();
    EXPECT_FALSE(m_doc.IsModified());
    ToggleWrap();
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(Text(), L"short\r\ntext");
    // Undo back to the root after the toggle may clear the mark again: the history was cleared
    // with the document unmodified.
    Type(L"x");
    EXPECT_TRUE(m_doc.IsModified());
    Undo();
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(ViewCommandsTest, DateAndTimeInBothFormsUnderTheJapaneseLocale) {
    ASSERT_EQ(PRIMARYLANGID(LANGIDFROMLCID(::GetUserDefaultLCID())), LANG_JAPANESE) << "run with LANG=ja_JP.UTF-8";
    SYSTEMTIME st{};
    st.wYear = 2026;
    st.wMonth = 12;
    st.wDay = 8;
    st.wHour = 9;
    st.wMinute = 5;
    st.wSecond = 59;
    EXPECT_EQ(CTessarinView::FormatDateTime(st, false), L"9:05 2026/12/8");
    EXPECT_EQ(CTessarinView::FormatDateTime(st, true), L"\r\n9:05 2026/12/8\r\n");

    // F5 replaces the selection with the present time and date, as one undo step.
    Load(L"<sel>", 1);
    Select(1, 4);
    m_frame.SendMessage(WM_COMMAND, ID_EDIT_TIME_DATE);
    const std::wstring strText = Text();
    const std::wregex plain(LR"(<(\d{1,2}):(\d{2}) (\d{4})/(\d{1,2})/(\d{1,2})>)");
    std::wsmatch m;
    ASSERT_TRUE(std::regex_match(strText, m, plain)) << strText;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    EXPECT_LE(std::stoi(m[1].str()), 23);
    EXPECT_EQ(std::stoi(m[3].str()), now.wYear);
    EXPECT_EQ(Sel().first, static_cast<int>(strText.size()) - 1);
    EXPECT_EQ(Records(), 2u); // the replaced selection, joined to the insertion
    Undo();
    EXPECT_EQ(Text(), L"<sel>");

    // The log form, as the ".LOG" stamp appends it at the end of the text.
    Load(L".LOG");
    m_view.InsertDateTime(true);
    const std::wregex log(LR"(\.LOG\r\n\d{1,2}:\d{2} \d{4}/\d{1,2}/\d{1,2}\r\n)");
    EXPECT_TRUE(std::regex_match(Text(), log)) << Text();
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(ViewCommandsTest, FontDialogSetsTheChosenFontAndPointSize) {
    Load(L"font");
    CDialogDriver driver;
    std::wstring strFace;
    driver.When(kAnyDialog, [&](HWND hDlg) {
        // A scalable face Wine always has, then a size typed into the size box.
        HWND hFaces = ::GetDlgItem(hDlg, 0x470 /* face combo */);
        LRESULT nFace =
            ::SendMessageW(hFaces, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Tahoma"));
        ::SendMessageW(hFaces, CB_SETCURSEL, nFace == CB_ERR ? 0 : static_cast<WPARAM>(nFace), 0);
        ::SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hFaces));
        HWND hSizes = ::GetDlgItem(hDlg, 0x472 /* size combo */);
        LRESULT nSize =
            ::SendMessageW(hSizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"12"));
        if (nSize == CB_ERR) {
            ADD_FAILURE() << "no 12-point size listed";
            CDialogDriver::Press(hDlg, IDCANCEL);
            return;
        }
        ::SendMessageW(hSizes, CB_SETCURSEL, static_cast<WPARAM>(nSize), 0);
        ::SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hSizes));
        strFace = CDialogDriver::ItemText(hDlg, 0x470 /* face combo */);
        CDialogDriver::Press(hDlg, IDOK);
    });
    m_frame.SendMessage(WM_COMMAND, ID_FORMAT_FONT);
    ASSERT_TRUE(driver.Done());
    ASSERT_FALSE(driver.TimedOut());
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT)), sizeof lf, &lf);
    EXPECT_EQ(std::wstring(lf.lfFaceName), strFace);
    EXPECT_EQ(m_view.GetViewSettings().m_nPointSize, 120);
    EXPECT_STREQ(m_view.GetViewSettings().m_lf.lfFaceName, lf.lfFaceName);
    EXPECT_EQ(m_view.GetViewSettings().m_lf.lfHeight, lf.lfHeight);

    // Cancel changes nothing.
    const HFONT hBefore = reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT));
    CDialogDriver cancel;
    cancel.When(kAnyDialog, [](HWND hDlg) { CDialogDriver::Press(hDlg, IDCANCEL); });
    m_frame.SendMessage(WM_COMMAND, ID_FORMAT_FONT);
    EXPECT_TRUE(cancel.Done());
    EXPECT_EQ(reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT)), hBefore);
    EXPECT_EQ(m_view.GetViewSettings().m_nPointSize, 120);
}

TEST_F(ViewCommandsTest, MenuStates) {
    Load(L"");
    EXPECT_FALSE(Enabled(ID_EDIT_FIND_NEXT)); // nothing to search
    EXPECT_TRUE(Enabled(ID_EDIT_TIME_DATE));
    EXPECT_TRUE(Enabled(ID_FORMAT_FONT));
    EXPECT_TRUE(Enabled(ID_FORMAT_WORD_WRAP));
    EXPECT_TRUE(Enabled(ID_EDIT_GOTO_LINE));
    Load(L"a");
    EXPECT_TRUE(Enabled(ID_EDIT_FIND_NEXT));
}

// ---- Drag and drop -----------------------------------------------------------------------------

namespace {
// A data object that offers nothing the view takes.
class CNoTextData final : public IDataObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

// Sets or clears keys in this thread's key state, which OLE's drag loop reads for the mouse
// button and Alt.
void SetKeys(std::initializer_list<int> down, std::initializer_list<int> up) {
    BYTE state[256];
    ::GetKeyboardState(state);
    for (int k : down)
        state[k] |= 0x80;
    for (int k : up)
        state[k] &= static_cast<BYTE>(~0x80);
    ::SetKeyboardState(state);
}

struct DragRelease {
    bool bAlt = false;
    int nTicks = 0;
};
DragRelease g_release;

// Runs inside OLE's drag loop: lets the loop see the button held for a moment, then lets go
// (with Alt held for a move).
void CALLBACK ReleaseButton(HWND, UINT, UINT_PTR nTimer, DWORD) {
    if (++g_release.nTicks < 3)
        return;
    ::KillTimer(nullptr, nTimer);
    if (g_release.bAlt)
        SetKeys({VK_MENU}, {VK_LBUTTON});
    else
        SetKeys({}, {VK_LBUTTON});
}
} // namespace

TEST_F(ViewCommandsTest, DropTakesUnicodeTextInPlaceOfTheSelection) {
    Load(L"drop here: [ ]", 0);
    Select(12, 13);
    auto pData = CComPtr<IDataObject>::Adopt(new CTextDataObject(L"日本語"));
    EXPECT_EQ(m_view.OnDragEnter(pData.Get(), 0, POINT{1, 1}), static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(m_view.OnDragOver(pData.Get(), MK_ALT, POINT{2, 2}), static_cast<DWORD>(DROPEFFECT_MOVE));
    EXPECT_TRUE(m_view.OnDrop(pData.Get(), DROPEFFECT_COPY, POINT{2, 2}));
    EXPECT_EQ(Text(), L"drop here: [日本語]");
    EXPECT_EQ(Sel(), std::make_pair(15, 15));
    Undo();
    EXPECT_EQ(Text(), L"drop here: [ ]");

    CNoTextData noText;
    EXPECT_EQ(m_view.OnDragEnter(&noText, 0, POINT{1, 1}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(m_view.OnDragOver(&noText, MK_ALT, POINT{1, 1}), static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_FALSE(m_view.OnDrop(&noText, DROPEFFECT_COPY, POINT{1, 1}));
    EXPECT_EQ(Text(), L"drop here: [ ]");
}

TEST_F(ViewCommandsTest, SelectionDraggedAndDroppedBackLeavesTheTextAsItWas) {
    for (bool bAlt : {false, true}) {
        SCOPED_TRACE(bAlt ? "move (Alt)" : "copy");
        Load(L"one two three", 0);
        Select(4, 7);
        const RECT rc = m_view.SelectionHitRect(4, 7);
        ASSERT_LT(rc.left, rc.right);
        POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        POINT ptScreen = pt;
        ::ClientToScreen(m_view.m_hWnd, &ptScreen);
        ::SetForegroundWindow(m_frame.m_hWnd);
        ::SetWindowPos(m_frame.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetCursorPos(ptScreen.x, ptScreen.y);
        ASSERT_TRUE(PumpUntil([&] {
            POINT cur{};
            ::GetCursorPos(&cur);
            return cur.x == ptScreen.x && cur.y == ptScreen.y && ::WindowFromPoint(ptScreen) == m_view.m_hWnd;
        }));

        g_release = DragRelease{bAlt, 0};
        SetKeys({VK_LBUTTON}, {VK_MENU});
        const UINT_PTR nTimer = ::SetTimer(nullptr, 0, 30, &ReleaseButton);
        // The pointer moves past the drag threshold with the button held: a drag, not a click.
        m_view.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x + 20, pt.y));
        m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y)); // returns when dropped
        ::KillTimer(nullptr, nTimer);
        SetKeys({}, {VK_LBUTTON, VK_MENU});

        EXPECT_GE(g_release.nTicks, 3); // the drag loop ran until the button went up
        EXPECT_EQ(Text(), L"one two three");
        EXPECT_EQ(Sel(), std::make_pair(4, 7));
        EXPECT_EQ(Records(), 0u); // dropped on itself: nothing to record, nothing to undo
        // Undo all of it: still the same text.
        while (Enabled(ID_EDIT_UNDO))
            Undo();
        EXPECT_EQ(Text(), L"one two three");
    }
}

TEST_F(ViewCommandsTest, ClickInsideTheSelectionPlacesTheCaret) {
    Load(L"one two three", 0);
    Select(4, 7);
    const POINT pt = m_view.PosFromChar(5);
    SetKeys({}, {VK_LBUTTON}); // pressed and released without moving
    m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x + 1, pt.y + 2));
    EXPECT_EQ(Sel(), std::make_pair(5, 5));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(Text(), L"one two three");
    EXPECT_EQ(Records(), 0u);
}

TEST_F(ViewCommandsTest, ClickOutsideTheSelectionReachesTheControl) {
    Load(L"abcdef\r\nsecond line", 0);
    Select(1, 3);
    const RECT rc = m_view.SelectionHitRect(1, 3);
    const POINT second = m_view.PosFromChar(12);
    ASSERT_FALSE(::PtInRect(&rc, second));
    m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(second.x + 1, second.y + 2));
    m_view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(second.x + 1, second.y + 2));
    EXPECT_EQ(Sel(), std::make_pair(12, 12)); // the control put the caret there
    // A selection ending left of where it starts has an empty hit rectangle.
    const RECT rcBack = m_view.SelectionHitRect(4, 10);
    EXPECT_TRUE(::IsRectEmpty(&rcBack));
}
