// The view's control tells by its change stamp (CTextControl::kGetChangeStamp) when the caret's
// line and column may have moved: after typing, a click, Go to, undo and a new text, and not after
// what moves neither (a mouse move without a button, a repaint, a selection set to what it was).
#include "ViewHost.h"
#include "view/TextControl.h"
#include <utility>

using ChangeStampTest = ViewHost;

TEST_F(ChangeStampTest, ChangesWithTheTextAndTheSelectionOnly) {
    Load(L"first line\r\nsecond line\r\nthird", 0);
    auto stamp = [&] { return static_cast<unsigned>(m_view.SendMessage(CTextControl::kGetChangeStamp)); };
    unsigned nLast = stamp();
    ASSERT_NE(nLast, 0u);
    auto changed = [&] {
        const unsigned n = stamp();
        EXPECT_NE(n, 0u);
        return std::exchange(nLast, n) != n;
    };
    EXPECT_FALSE(changed());

    // Nothing that leaves the caret and the text as they were.
    m_view.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(40, 20));
    m_view.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(60, 5));
    ::InvalidateRect(m_view.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_view.m_hWnd);
    Select(0, 0);
    m_view.SendMessage(WM_KEYDOWN, VK_LEFT, 1); // already at the start
    EXPECT_FALSE(changed());

    Type(L"x");
    EXPECT_TRUE(changed());
    m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
    m_view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
    EXPECT_TRUE(changed());
    m_view.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20)); // the same place again
    m_view.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
    EXPECT_FALSE(changed());
    m_view.GoToLineColumn(3, 2);
    EXPECT_TRUE(changed());
    Key(VK_DOWN);
    EXPECT_TRUE(changed());
    Undo();
    EXPECT_EQ(Text(), L"first line\r\nsecond line\r\nthird");
    EXPECT_TRUE(changed());
    // A text of the same length in its place (the caret stays at 0): still a change.
    Load(L"FIRST LINE\r\nSECOND LINE\r\nTHIRD", 0);
    EXPECT_TRUE(changed());
}
