// End-to-end checks that the main window's editing keys act on the window that has the focus:
// with the focus in the results pane, Ctrl+C and Ctrl+Insert copy the pane's selection, and
// paste, cut, undo, redo, select all, delete and the date leave every text as it was.
#include "TessarinApp.h"
#include "res/resource.h"

using namespace e2e;

namespace {
bool SetClipboardText(const std::wstring& text) {
    if (!WaitUntil([] { return ::OpenClipboard(nullptr) != FALSE; }, 3000))
        return false;
    bool bSet = false;
    if (::EmptyClipboard()) {
        HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        if (auto* p = hMem ? static_cast<wchar_t*>(::GlobalLock(hMem)) : nullptr) {
            std::copy(text.c_str(), text.c_str() + text.size() + 1, p);
            ::GlobalUnlock(hMem);
            bSet = ::SetClipboardData(CF_UNICODETEXT, hMem) != nullptr;
        }
        if (!bSet && hMem)
            ::GlobalFree(hMem);
    }
    ::CloseClipboard();
    return bSet;
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!::OpenClipboard(nullptr))
        return L"<clipboard busy>";
    if (HANDLE hData = ::GetClipboardData(CF_UNICODETEXT))
        if (auto* p = static_cast<const wchar_t*>(::GlobalLock(hData))) {
            text = p;
            ::GlobalUnlock(hData);
        }
    ::CloseClipboard();
    return text;
}
} // namespace

TEST_F(TessarinE2E, EditingKeysInTheResultsPaneLeaveTheDocumentAlone) {
    const std::wstring docText = L"document text\r\nsecond line";
    const std::wstring path = m_dir.File(L"doc.txt");
    WriteAllBytes(path, std::vector<unsigned char>(docText.begin(), docText.end()));
    ASSERT_NE(Launch(path), nullptr);
    HWND edit = Edit();
    ASSERT_TRUE(WaitUntil([&] { return WindowText(edit) == docText; }));
    ASSERT_TRUE(SendTimed(edit, EM_SETSEL, 0, 8)); // "document"

    // The pane with a line in it, half of which is selected, holding the focus.
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
    ASSERT_TRUE(WaitUntil([&] { return ResultsPane() && ::IsWindowVisible(ResultsPane()); }));
    HWND pane = ResultsEdit();
    const std::wstring paneText = L"C:\\dir\\hit.txt(1):pane line\r\n";
    ASSERT_TRUE(SendTimed(pane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(paneText.c_str())));
    ASSERT_TRUE(m_app.BringToFront());
    ASSERT_TRUE(::PostMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4)));
    ASSERT_TRUE(::PostMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(4, 4)));
    ASSERT_TRUE(WaitUntil([&] { return m_app.FocusedWindow() == pane; }));
    ASSERT_TRUE(SendTimed(pane, EM_SETSEL, 3, 14)); // "dir\hit.txt"
    const std::wstring paneSelection = L"dir\\hit.txt";

    struct Chord {
        std::initializer_list<WORD> keys;
        const char* name;
    };
    const Chord chords[] = {
        {{VK_CONTROL, 'V'}, "Ctrl+V"},       {{VK_CONTROL, 'X'}, "Ctrl+X"},       {{VK_CONTROL, 'Z'}, "Ctrl+Z"},
        {{VK_CONTROL, 'Y'}, "Ctrl+Y"},       {{VK_CONTROL, 'A'}, "Ctrl+A"},       {{VK_F5}, "F5"},
        {{VK_MENU, VK_BACK}, "Alt+Backspace"}, {{VK_SHIFT, VK_INSERT}, "Shift+Insert"}, {{VK_DELETE}, "Delete"},
    };
    for (const Chord& chord : chords) {
        ASSERT_TRUE(SetClipboardText(L"from the clipboard"));
        ASSERT_TRUE(m_app.SendKeys(chord.keys)) << chord.name;
        // Keys arrive in order: once Ctrl+C has copied the pane's selection, the chord before it
        // has been handled.
        ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'C'}));
        const bool bCopied = WaitUntil([&] { return ClipboardText() == paneSelection; }, 5000);
        EXPECT_EQ(WindowText(edit), docText) << chord.name << " reached the document";
        EXPECT_EQ(EditSelection(edit), std::make_pair(0L, 8L)) << chord.name << " moved the document's selection";
        EXPECT_EQ(WindowText(pane), paneText) << chord.name << " changed the pane";
        ASSERT_TRUE(bCopied) << "after " << chord.name << ", Ctrl+C in the pane put "
                             << testing::PrintToString(ClipboardText());
    }
    ASSERT_TRUE(SetClipboardText(L"from the clipboard"));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, VK_INSERT}));
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == paneSelection; }, 5000))
        << "Ctrl+Insert in the pane put " << testing::PrintToString(ClipboardText());
    EXPECT_EQ(WindowText(edit), docText);

    // Back in the view the same keys act on the document.
    ASSERT_TRUE(::PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)));
    ASSERT_TRUE(::PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)));
    ASSERT_TRUE(WaitUntil([&] { return m_app.FocusedWindow() == edit; }));
    ASSERT_TRUE(SendTimed(edit, EM_SETSEL, 0, 8));
    ASSERT_TRUE(m_app.SendKeys({VK_CONTROL, 'C'}));
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == L"document"; }, 5000))
        << testing::PrintToString(ClipboardText());
    ExitDiscarding();
}
