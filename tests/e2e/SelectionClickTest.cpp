// Mouse clicks on a selection, with real mouse input: a click inside the selection places the caret
// where it was clicked, and only a press that moves past the drag threshold drags the text; dropping
// it back on the editor changes neither the text nor the edit history.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"

using namespace e2e;

namespace {
void WriteText(const std::wstring& path, const std::string& text) {
    WriteAllBytes(path, text.data(), text.size());
}

INPUT MouseInput(DWORD dwFlags, POINT ptScreen = {}) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = dwFlags;
    if (dwFlags & MOUSEEVENTF_MOVE) {
        in.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
        in.mi.dx = ::MulDiv(ptScreen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = ::MulDiv(ptScreen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return in;
}

class SelectionClickE2E : public TessarinE2E {
protected:
    // Opens a file holding "hello world" and selects "world".
    void OpenAndSelectWorld() {
        const std::wstring path = m_dir.File(L"click.txt");
        WriteText(path, "hello world");
        ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
        ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"hello world"; }));
        SelectWorld();
    }
    void SelectWorld() { ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 6, 11)); }
    // A screen point just right of the left edge of character nChar, halfway down its line.
    POINT PointAtChar(int nChar) const {
        LRESULT pos = 0;
        SendTimed(Edit(), EM_POSFROMCHAR, nChar, 0, &pos);
        POINT pt{static_cast<short>(LOWORD(pos)) + 1, static_cast<short>(HIWORD(pos)) + 4};
        ::ClientToScreen(Edit(), &pt);
        return pt;
    }
    // Presses the left button at ptDown, moves it in steps of 5 pixels to ptUp and lets it go there.
    // The moves come only once the program follows the press (the mouse captured), as they would
    // from a person: input sent all at once may be over, button up, before the program has even
    // seen the press.
    bool PressMoveRelease(POINT ptDown, POINT ptUp) const {
        if (!m_app.BringToFront())
            return false;
        const HWND edit = Edit();
        std::vector<INPUT> press{MouseInput(MOUSEEVENTF_MOVE, ptDown), MouseInput(MOUSEEVENTF_LEFTDOWN)};
        if (!Send(press))
            return false;
        WaitUntil([&] { return CaptureWindow() == edit; }, 2000);
        std::vector<INPUT> moves;
        for (POINT pt = ptDown; pt.x < ptUp.x;) {
            pt.x = std::min<LONG>(pt.x + 5, ptUp.x);
            moves.push_back(MouseInput(MOUSEEVENTF_MOVE, pt));
        }
        moves.push_back(MouseInput(MOUSEEVENTF_LEFTUP));
        return Send(moves);
    }
    static bool Send(std::vector<INPUT>& inputs) {
        return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
    }
    HWND CaptureWindow() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        return ::GetGUIThreadInfo(m_app.MainThreadId(), &info) ? info.hwndCapture : nullptr;
    }
    bool SelectionIs(long nStart, long nEnd) const {
        return WaitUntil([&] { return EditSelection(Edit()) == std::make_pair(nStart, nEnd); }, 3000);
    }
    bool TextIs(const std::wstring& text) const {
        return WaitUntil([&] { return WindowText(Edit()) == text; });
    }
};
} // namespace

TEST_F(SelectionClickE2E, ClickInsideTheSelectionPlacesTheCaretThere) {
    OpenAndSelectWorld();
    const POINT pt = PointAtChar(8);
    ASSERT_TRUE(PressMoveRelease(pt, pt));
    EXPECT_TRUE(SelectionIs(8, 8)) << "selection " << EditSelection(Edit()).first << "-"
                                   << EditSelection(Edit()).second;
    EXPECT_EQ(WindowText(Edit()), L"hello world");
    // The mouse is the control's again: moving it selects nothing.
    std::vector<INPUT> move{MouseInput(MOUSEEVENTF_MOVE, PointAtChar(10))};
    ASSERT_EQ(::SendInput(1, move.data(), sizeof(INPUT)), 1u);
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(SelectionIs(8, 8));
    // The freshly opened file is unchanged: it closes without a question.
    ASSERT_TRUE(m_app.Close());
}

TEST_F(SelectionClickE2E, ClickAndDropOntoItselfLeaveTextAndHistoryAlone) {
    OpenAndSelectWorld();
    // An edit undone: Redo has something to bring back, as long as nothing new is recorded.
    ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 11, 11));
    ASSERT_TRUE(m_app.TypeText(L"X", Edit()));
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(TextIs(L"hello world"));

    SelectWorld();
    const POINT pt = PointAtChar(8);
    ASSERT_TRUE(PressMoveRelease(pt, pt));
    EXPECT_TRUE(SelectionIs(8, 8));
    EXPECT_EQ(WindowText(Edit()), L"hello world");

    // Dragged past the threshold and dropped on the editor itself.
    SelectWorld();
    ASSERT_TRUE(PressMoveRelease(pt, POINT{pt.x + 40, pt.y}));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(SelectionIs(6, 11));
    EXPECT_EQ(WindowText(Edit()), L"hello world");

    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_REDO));
    EXPECT_TRUE(TextIs(L"hello worldX")) << "the redo chain was lost";
}
