// The framework core on real windows: the command route view -> document -> frame -> application,
// menu item states filled in when a menu pops up, disabled accelerators, binding of platform
// classes and subclassed windows, exceptions kept inside the window procedure, and the edit
// view's standard commands.
#include "ViewHost.h"
#include "framework/EditView.h"
#include "framework/WinApp.h"
#include <stdexcept>
#include <vector>

namespace {
constexpr UINT ID_BOTH = 40001;     // handled by the view and the frame
constexpr UINT ID_DOC = 40002;      // handled by the document and the frame
constexpr UINT ID_APP = 40003;      // handled by the application only
constexpr UINT ID_NOBODY = 40004;   // handled by nobody
constexpr UINT ID_CHECKED = 40005;  // frame: enabled and checked
constexpr UINT ID_DISABLED = 40006; // frame: handled, update disables it

std::vector<std::string> g_log;

struct CLogView : CEditView {
    int m_nCreates = 0;
    int OnCreate(CREATESTRUCTW* pCreate) override {
        ++m_nCreates;
        return CEditView::OnCreate(pCreate);
    }
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override {
        if (nID == ID_BOTH)
            return Handle(nCode, pExtra, [] { g_log.push_back("view"); });
        return CEditView::OnOwnCmdMsg(nID, nCode, pExtra);
    }
};
struct CLogDoc : CDocument {
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override {
        if (nID == ID_DOC)
            return Handle(nCode, pExtra, [] { g_log.push_back("doc"); });
        return CDocument::OnOwnCmdMsg(nID, nCode, pExtra);
    }
};
struct CLogFrame : CFrameWnd {
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override {
        switch (nID) {
        case ID_BOTH:
        case ID_DOC: return Handle(nCode, pExtra, [] { g_log.push_back("frame"); });
        case ID_CHECKED:
            return Handle(
                nCode, pExtra, [] { g_log.push_back("checked"); }, [](CCmdUI* p) { p->SetCheck(1); });
        case ID_DISABLED:
            return Handle(
                nCode, pExtra, [] { g_log.push_back("disabled ran"); }, [](CCmdUI* p) { p->Enable(false); });
        default: return CFrameWnd::OnOwnCmdMsg(nID, nCode, pExtra);
        }
    }
};
struct CLogApp : CWinApp {
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override {
        if (nID == ID_APP)
            return Handle(nCode, pExtra, [] { g_log.push_back("app"); });
        return CWinApp::OnOwnCmdMsg(nID, nCode, pExtra);
    }
};

// Hidden frame: never mapped, so no waiting for the display on destruction.
class FrameworkTest : public ::testing::Test {
protected:
    CLogApp m_app;
    CLogFrame m_frame;
    CLogDoc m_doc;
    CLogView m_view;
    void SetUp() override {
        g_log.clear();
        RECT rc{0, 0, 400, 300};
        ASSERT_TRUE(m_frame.Create(L"FrameworkTest", WS_OVERLAPPEDWINDOW, &rc));
        m_view.SetDocument(&m_doc);
        ASSERT_TRUE(m_view.Create(m_frame.m_hWnd, AFX_IDW_PANE_FIRST, m_frame.GetClientRect()));
        m_frame.SetActiveView(&m_view);
    }
    void TearDown() override { m_frame.DestroyWindow(); }
    void Command(UINT nID) { m_frame.SendMessage(WM_COMMAND, MAKEWPARAM(nID, 1), 0); }
    bool Enabled(UINT nID) {
        CCmdUI state(nID);
        state.DoUpdate(&m_frame, true);
        return state.IsEnabled();
    }
};
} // namespace

TEST_F(FrameworkTest, CommandsTravelViewDocumentFrameApplication) {
    EXPECT_EQ(m_view.m_nCreates, 1); // the EDIT control's WM_CREATE reached the view
    Command(ID_BOTH);
    Command(ID_DOC);
    Command(ID_APP);
    Command(ID_NOBODY);
    Command(ID_DISABLED); // an accelerator of a disabled command does nothing
    EXPECT_EQ(g_log, (std::vector<std::string>{"view", "doc", "app"}));
}

TEST_F(FrameworkTest, MenuItemsAreUpdatedWhenTheMenuPopsUp) {
    HMENU hMenu = ::CreatePopupMenu();
    for (UINT nID : {ID_BOTH, ID_NOBODY, ID_CHECKED, ID_DISABLED, ID_APP})
        ::AppendMenuW(hMenu, MF_STRING, nID, L"item");
    ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
    ::CheckMenuItem(hMenu, ID_BOTH, MF_BYCOMMAND | MF_CHECKED);
    m_frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hMenu), 0);
    auto state = [&](UINT nID) { return ::GetMenuState(hMenu, nID, MF_BYCOMMAND); };
    EXPECT_FALSE(state(ID_BOTH) & MF_GRAYED);
    EXPECT_TRUE(state(ID_BOTH) & MF_CHECKED); // nobody updates it: left as it was
    EXPECT_TRUE(state(ID_NOBODY) & MF_GRAYED);
    EXPECT_TRUE(state(ID_CHECKED) & MF_CHECKED);
    EXPECT_FALSE(state(ID_CHECKED) & MF_GRAYED);
    EXPECT_TRUE(state(ID_DISABLED) & MF_GRAYED);
    EXPECT_FALSE(state(ID_APP) & MF_GRAYED);
    ::DestroyMenu(hMenu);
}

TEST_F(FrameworkTest, EditViewCommandsFollowSelectionTextAndClipboard) {
    for (UINT nID : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_CLEAR, ID_EDIT_SELECT_ALL, ID_EDIT_FIND, ID_EDIT_REPLACE})
        EXPECT_FALSE(Enabled(nID)) << nID; // empty text, nothing selected
    m_view.SetWindowText(L"some text");
    EXPECT_TRUE(Enabled(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(Enabled(ID_EDIT_FIND));
    EXPECT_TRUE(Enabled(ID_EDIT_REPLACE));
    EXPECT_FALSE(Enabled(ID_EDIT_CUT));
    Command(ID_EDIT_SELECT_ALL);
    int s = 0, e = 0;
    m_view.GetSel(s, e);
    EXPECT_EQ(std::make_pair(s, e), std::make_pair(0, 9));
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
    EXPECT_TRUE(Enabled(ID_EDIT_COPY));
    EXPECT_TRUE(Enabled(ID_EDIT_CLEAR));
    Command(ID_EDIT_COPY);
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));
    m_view.SetSel(0, 5);
    Command(ID_EDIT_CLEAR);
    EXPECT_EQ(m_view.GetText(), L"text");
    EXPECT_TRUE(m_doc.IsModified()); // EN_CHANGE reached the view through its parent
}

namespace {
struct CCountingEdit : CWnd {
    int m_nChars = 0;
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) override {
        ++m_nChars;
        CWnd::OnChar(nChar, nRepCnt, nFlags);
    }
};
struct CThrowingEdit : CWnd {
    void OnChar(UINT, UINT, UINT) override { throw std::runtime_error("handler failed"); }
};
int g_nReported = 0;
} // namespace

TEST_F(FrameworkTest, SubclassingAnExistingControlAndPuttingItBack) {
    HWND hEdit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE, 0, 0, 100, 50, m_frame.m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(1001)), nullptr, nullptr);
    ASSERT_NE(hEdit, nullptr);
    LONG_PTR pfnOriginal = ::GetWindowLongPtrW(hEdit, GWLP_WNDPROC);
    {
        CCountingEdit edit;
        ASSERT_TRUE(edit.SubclassDlgItem(1001, m_frame.m_hWnd));
        EXPECT_EQ(CWnd::FromHandle(hEdit), &edit);
        ::SendMessageW(hEdit, WM_CHAR, L'a', 1);
        EXPECT_EQ(edit.m_nChars, 1);
        EXPECT_EQ(edit.GetWindowText(), L"a"); // the control's own procedure still ran
        EXPECT_EQ(edit.UnsubclassWindow(), hEdit);
    }
    EXPECT_EQ(::GetWindowLongPtrW(hEdit, GWLP_WNDPROC), pfnOriginal);
    EXPECT_EQ(CWnd::FromHandle(hEdit), nullptr);
    {
        // An object that goes away while still subclassing hands the window back too.
        CCountingEdit edit;
        ASSERT_TRUE(edit.SubclassWindow(hEdit));
    }
    EXPECT_EQ(::GetWindowLongPtrW(hEdit, GWLP_WNDPROC), pfnOriginal);
    ::DestroyWindow(hEdit);
}

TEST_F(FrameworkTest, ExceptionsStayInsideTheWindowProcedure) {
    CThrowingEdit edit;
    ASSERT_TRUE(edit.CreateEx(0, L"EDIT", L"", WS_CHILD, RECT{0, 0, 50, 20}, m_frame.m_hWnd, 1002));
    g_nReported = 0;
    CWnd::s_pfnReportException = [](std::exception_ptr) { ++g_nReported; };
    EXPECT_EQ(edit.SendMessage(WM_CHAR, L'x', 1), 0);
    CWnd::s_pfnReportException = nullptr;
    EXPECT_EQ(g_nReported, 1);
    EXPECT_EQ(edit.GetWindowText(), L"");
    HWND hWnd = edit.m_hWnd;
    EXPECT_TRUE(edit.DestroyWindow());
    EXPECT_EQ(edit.m_hWnd, nullptr); // unbound at WM_NCDESTROY
    EXPECT_FALSE(::IsWindow(hWnd));
}

namespace {
// A window that deletes itself when destroyed, and destroys itself from its own WM_CLOSE handler,
// as an auto-deleting frame does; it notes whether it was still alive when the handler went on.
bool g_bDeleted = false;
bool g_bAliveAfterDestroy = false;
struct CSelfDeletingEdit : CWnd {
    void OnClose() override {
        DestroyWindow();
        g_bAliveAfterDestroy = !g_bDeleted;
    }
    void PostNcDestroy() override {
        g_bDeleted = true;
        delete this;
    }
};
} // namespace

TEST_F(FrameworkTest, AWindowDestroyedByItsOwnHandlerGoesOnlyWhenTheHandlerReturns) {
    auto* pEdit = new CSelfDeletingEdit;
    ASSERT_TRUE(pEdit->CreateEx(0, L"EDIT", L"", WS_CHILD, RECT{0, 0, 50, 20}, m_frame.m_hWnd, 1003));
    HWND hWnd = pEdit->m_hWnd;
    g_bDeleted = g_bAliveAfterDestroy = false;
    ::SendMessageW(hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(g_bAliveAfterDestroy);
    EXPECT_TRUE(g_bDeleted);
    EXPECT_FALSE(::IsWindow(hWnd));
}
