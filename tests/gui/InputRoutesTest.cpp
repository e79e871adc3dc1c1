// Every route by which text reaches the view's EDIT control is recorded: clipboard messages and
// keys (real clipboard), text committed by the input method, the control's own context menu, and
// direct messages from elsewhere.
#include "ViewHost.h"
#include "res/resource.h"
#include <imm.h>

using InputRoutesTest = ViewHost;

TEST_F(InputRoutesTest, PasteIsRecordedAndTypingAtItsEndExtendsIt) {
    Load(L"x  y", 2);
    PutOnClipboard(L"pasted", m_view.m_hWnd);
    m_view.SendMessage(WM_PASTE);
    EXPECT_EQ(Text(), L"x pasted y");
    Type(L"Text");
    EXPECT_EQ(Records(), 1u);
    Type(L" more");
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"x pastedText y");
    Undo();
    EXPECT_EQ(Text(), L"x  y");
    EXPECT_EQ(Sel(), std::make_pair(2, 2));

    // Pasting over a selection is one step; Ctrl+V and Shift+Insert paste the same way.
    Select(0, 1);
    {
        CHeldKeys ctrl{VK_CONTROL};
        Key('V');
    }
    EXPECT_EQ(Text(), L"pasted  y");
    {
        CHeldKeys shift{VK_SHIFT};
        Key(VK_INSERT);
    }
    EXPECT_EQ(Text(), L"pastedpasted  y");
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"x  y");
}

TEST_F(InputRoutesTest, CutAndClearAreRecordedAndCutFillsTheClipboard) {
    Load(L"alpha beta gamma", 0);
    Select(6, 11);
    m_view.SendMessage(WM_CUT);
    EXPECT_EQ(Text(), L"alpha gamma");
    EXPECT_EQ(ClipboardText(m_view.m_hWnd), L"beta ");
    Select(0, 6);
    {
        CHeldKeys ctrl{VK_CONTROL};
        Key('X');
    }
    EXPECT_EQ(Text(), L"gamma");
    Select(0, 2);
    {
        CHeldKeys shift{VK_SHIFT};
        Key(VK_DELETE);
    }
    EXPECT_EQ(Text(), L"mma");
    EXPECT_EQ(ClipboardText(m_view.m_hWnd), L"ga");
    Select(1, 2);
    m_view.SendMessage(WM_CLEAR);
    EXPECT_EQ(Text(), L"ma");
    // Nothing selected: WM_CUT and WM_CLEAR do nothing and record nothing.
    size_t nRecords = Records();
    m_view.SendMessage(WM_CUT);
    m_view.SendMessage(WM_CLEAR);
    EXPECT_EQ(Records(), nRecords);
    for (int i = 0; i < 4; ++i)
        Undo();
    EXPECT_EQ(Text(), L"alpha beta gamma");
}

TEST_F(InputRoutesTest, ShiftDeleteWithoutSelectionAndCtrlDeleteStayInStep) {
    Load(L"ab cd", 2);
    {
        CHeldKeys shift{VK_SHIFT};
        Key(VK_DELETE); // deletes backwards, like Backspace
    }
    EXPECT_EQ(Text(), L"a cd");
    {
        CHeldKeys ctrl{VK_CONTROL};
        Key(VK_DELETE);
    }
    std::wstring after = Text();
    Undo();
    Undo();
    EXPECT_EQ(Text(), L"ab cd");
    Redo();
    Redo();
    EXPECT_EQ(Text(), after);
}

TEST_F(InputRoutesTest, CopyKeyDoesNotChangeTheText) {
    Load(L"copy me", 0);
    Select(0, 4);
    {
        CHeldKeys ctrl{VK_CONTROL};
        Key('C');
    }
    EXPECT_EQ(ClipboardText(m_view.m_hWnd), L"copy");
    EXPECT_EQ(Text(), L"copy me");
    EXPECT_EQ(Records(), 0u);
}

TEST_F(InputRoutesTest, TextCommittedByTheInputMethodIsRecordedOnce) {
    Load(L"abc", 3);
    ASSERT_TRUE(CommitThroughIme(m_view.m_hWnd, L"日本語"));
    ASSERT_TRUE(PumpUntil([&] { return Text() != L"abc"; }));
    PumpUntil([] { return false; }, 300); // late WM_IME_CHAR or WM_CHAR would insert it twice
    EXPECT_EQ(Text(), L"abc日本語");
    EXPECT_EQ(Records(), 1u);
    EXPECT_EQ(Current().text, L"日本語");

    // Over a selection: replaced in one step, undone in one step.
    Select(0, 3);
    ASSERT_TRUE(CommitThroughIme(m_view.m_hWnd, L"漢字"));
    ASSERT_TRUE(PumpUntil([&] { return Text() == L"漢字日本語"; }));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(Text(), L"漢字日本語");
    Undo();
    EXPECT_EQ(Text(), L"abc日本語");
    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(InputRoutesTest, UndoMessagesGoToTheHistoryNotTheControl) {
    Load(L"one", 3);
    EXPECT_FALSE(m_view.SendMessage(EM_CANUNDO));
    Type(L" two");
    EXPECT_TRUE(m_view.SendMessage(EM_CANUNDO));
    m_view.SendMessage(WM_UNDO);
    EXPECT_EQ(Text(), L"one ");
    m_view.SendMessage(EM_UNDO);
    EXPECT_EQ(Text(), L"one");
    EXPECT_FALSE(m_view.SendMessage(EM_CANUNDO));
    m_view.SendMessage(WM_UNDO); // the control's own one-level undo would bring text back
    EXPECT_EQ(Text(), L"one");
    {
        CHeldKeys ctrl{VK_CONTROL};
        m_view.SendMessage(WM_CHAR, 0x1A, 1); // Ctrl+Z as a character is swallowed
    }
    EXPECT_EQ(Text(), L"one");
}

namespace {
// Looks at the control's context menu while its modal loop runs, then picks its first item.
struct ContextMenuProbe {
    static inline int s_nUndoState = -1; // -1: menu not seen
    static inline bool s_bPicked = false;
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR nId, DWORD) {
        HWND hMenuWnd = ::FindWindowW(L"#32768", nullptr);
        if (!hMenuWnd || !::IsWindowVisible(hMenuWnd))
            return;
        auto hMenu = reinterpret_cast<HMENU>(::SendMessageW(hMenuWnd, MN_GETHMENU, 0, 0));
        if (hMenu && s_nUndoState < 0) {
            UINT nState = ::GetMenuState(hMenu, 0, MF_BYPOSITION);
            s_nUndoState = (nState & (MF_GRAYED | MF_DISABLED)) ? 0 : 1;
        }
        ::KillTimer(nullptr, nId);
        if (s_nUndoState == 1) {
            s_bPicked = true;
            ::PostMessageW(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
            ::PostMessageW(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            ::EndMenu();
        }
    }
    // Opens the menu at the view and returns the Undo item's state (1 enabled, 0 grey).
    static int Run(HWND hView) {
        s_nUndoState = -1;
        s_bPicked = false;
        ::SetTimer(nullptr, 0, 100, &ContextMenuProbe::OnTimer);
        RECT rc;
        ::GetWindowRect(hView, &rc);
        ::SendMessageW(hView, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hView), MAKELPARAM(rc.left + 20, rc.top + 20));
        return s_nUndoState;
    }
};
} // namespace

TEST_F(InputRoutesTest, ContextMenuUndoFollowsAndUsesOurHistory) {
    Load(L"base", 4);
    // Nothing to undo in our history even though the control just took a new text.
    EXPECT_EQ(ContextMenuProbe::Run(m_view.m_hWnd), 0);
    Type(L" word");
    Undo(); // the control has an undo buffer of its own from the typing; ours has " " left
    Undo();
    EXPECT_EQ(Text(), L"base");
    EXPECT_EQ(ContextMenuProbe::Run(m_view.m_hWnd), 0);
    Redo();
    Redo();
    ASSERT_EQ(ContextMenuProbe::Run(m_view.m_hWnd), 1);
    EXPECT_TRUE(ContextMenuProbe::s_bPicked);
    EXPECT_EQ(Text(), L"base "); // our last record undone: " word" went in two records
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
}

TEST_F(InputRoutesTest, DirectReplaceSelAndSetTextFromElsewhereAreRecorded) {
    Load(L"abc", 1);
    m_view.SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"XY"));
    EXPECT_EQ(Text(), L"aXYbc");
    m_view.SetWindowText(L"fresh");
    EXPECT_EQ(Text(), L"fresh");
    Undo();
    EXPECT_EQ(Text(), L"aXYbc");
    Undo();
    EXPECT_EQ(Text(), L"abc");
    EXPECT_FALSE(m_doc.IsModified());
}

TEST_F(InputRoutesTest, MiddleClickDoesNotPasteBehindTheHistory) {
    Load(L"abc", 3);
    PutOnClipboard(L"clip", m_view.m_hWnd);
    m_view.SendMessage(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
    m_view.SendMessage(WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Text(), L"abc");
}

TEST_F(InputRoutesTest, AdoptedBufferBecomesTheTextAndEndsTheHistory) {
    Type(L"old text");
    const std::wstring newText = L"line one\r\nline two";
    CLocalBlock hBlock(::LocalAlloc(LMEM_MOVEABLE, (newText.size() + 1) * sizeof(wchar_t)));
    ASSERT_TRUE(hBlock);
    {
        CLocalLock lock(hBlock.Get());
        std::copy(newText.c_str(), newText.c_str() + newText.size() + 1, lock.As<wchar_t>());
    }
    ASSERT_TRUE(m_view.SetHandle(std::move(hBlock)));
    EXPECT_EQ(Text(), newText);
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    {
        CEditBufferLock lock(m_view);
        ASSERT_NE(lock.Get(), nullptr);
        EXPECT_EQ(std::wstring(lock.Get()), newText);
    }
    // Editing goes on in the adopted buffer.
    Select(4, 4);
    Type(L"s");
    EXPECT_EQ(Text(), L"lines one\r\nline two");
    Undo();
    EXPECT_EQ(Text(), newText);
}
