// Characters outside the BMP (surrogate pairs) on a real EDIT control, which moves, deletes and
// selects one UTF-16 unit at a time: every input route keeps a pair whole, and undo gives it back.
#include "ViewHost.h"
#include "res/resource.h"
#include <imm.h>

namespace {
const std::wstring kSmile = L"\xD83D\xDE00"; // U+1F600
const std::wstring kYoshi = L"\xD842\xDFB7"; // U+20BB7

// A high surrogate not followed by a low one, or a low one not preceded by a high one.
bool HasLoneSurrogate(const std::wstring& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsHighSurrogate(s[i])) {
            if (i + 1 == s.size() || !IsLowSurrogate(s[i + 1]))
                return true;
            ++i;
        } else if (IsLowSurrogate(s[i])) {
            return true;
        }
    }
    return false;
}
} // namespace

class SurrogatePairEditTest : public ViewHost {
protected:
    // Starts from text with the caret at nCaret, checking that it is there (even inside a pair,
    // where the arrow keys of the control may leave it).
    void Start(const std::wstring& text, int nCaret) {
        Load(text, nCaret);
        ASSERT_EQ(Sel(), std::make_pair(nCaret, nCaret));
    }
    void CommitIme(const std::wstring& text) { ASSERT_TRUE(CommitThroughIme(m_view.m_hWnd, text)); }
};

TEST_F(SurrogatePairEditTest, BackspaceAndDeleteRemoveAWholePairAndUndoRestoresIt) {
    const std::wstring text = L"x" + kSmile + L"y" + kYoshi + L"z";
    struct Case {
        const char* what;
        int nCaret;
        bool bBackspace;
        std::wstring expected;
    };
    const Case cases[] = {
        {"backspace after the pair", 3, true, L"xy" + kYoshi + L"z"},
        {"delete before the pair", 4, false, L"x" + kSmile + L"yz"},
        {"backspace inside the pair", 2, true, L"xy" + kYoshi + L"z"},
        {"delete inside the pair", 5, false, L"x" + kSmile + L"yz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start(text, c.nCaret);
        if (c.bBackspace)
            Type(L"\b");
        else
            Key(VK_DELETE);
        EXPECT_EQ(Text(), c.expected);
        EXPECT_EQ(Records(), 1u);
        EXPECT_EQ(Current().text.size(), 2u);
        Undo();
        EXPECT_EQ(Text(), text);
        Redo();
        EXPECT_EQ(Text(), c.expected);
    }

    // Pairs count as one character each: Backspace through a word of them is one record.
    Start(L"a " + kSmile + L"b" + kYoshi, 7);
    Type(L"\b\b\b");
    EXPECT_EQ(Text(), L"a ");
    EXPECT_EQ(Records(), 1u);
    Undo();
    EXPECT_EQ(Text(), L"a " + kSmile + L"b" + kYoshi);
    EXPECT_EQ(Sel(), std::make_pair(7, 7));
}

namespace {
// Counts EM_GETHANDLE sent to one window on this thread: the whole text brought together.
HWND g_hCounted = nullptr;
int g_nHandleRequests = 0;
LRESULT CALLBACK CountHandleRequests(int nCode, WPARAM wParam, LPARAM lParam) {
    auto* p = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && p->hwnd == g_hCounted && p->message == EM_GETHANDLE)
        ++g_nHandleRequests;
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
} // namespace

TEST_F(SurrogatePairEditTest, MarksGoWithTheirCharacterAndKeystrokesReadOnlyWhatTheyRemove) {
    // e + acute, か + voicing mark, a smiley + emoji selector.
    const std::wstring text = L"ae\x0301か\x3099" + kSmile + L"\xFE0Fz";
    Start(text, 0);
    g_hCounted = m_view.m_hWnd;
    g_nHandleRequests = 0;
    HHOOK hHook = ::SetWindowsHookExW(WH_CALLWNDPROC, CountHandleRequests, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);
    struct Case {
        const char* what;
        int nCaret;
        bool bBackspace;
        std::wstring expected;
    };
    const Case cases[] = {
        {"backspace after e and its mark", 3, true, L"aか\x3099" + kSmile + L"\xFE0Fz"},
        {"delete before か and its mark", 3, false, L"ae\x0301" + kSmile + L"\xFE0Fz"},
        {"backspace after the smiley and its selector", 8, true, L"ae\x0301か\x3099z"},
        {"delete between e and its mark", 2, false, L"a" + std::wstring(L"か\x3099") + kSmile + L"\xFE0Fz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Select(c.nCaret, c.nCaret);
        if (c.bBackspace)
            Type(L"\b");
        else
            Key(VK_DELETE);
        EXPECT_EQ(Text(), c.expected);
        Undo();
        EXPECT_EQ(Text(), text);
    }
    Select(9, 9);
    Type(L"xy\b");
    EXPECT_EQ(Text(), text.substr(0, 9) + L"x" + text.substr(9));
    ::UnhookWindowsHookEx(hHook);
    // Recording never needed the whole text: only the characters each key removed.
    EXPECT_EQ(g_nHandleRequests, 0);
}

TEST_F(SurrogatePairEditTest, EveryInsertionAtACaretInsideAPairGoesInAfterThePair) {
    const std::wstring text = L"x" + kSmile + L"y";
    struct Route {
        const char* what;
        std::function<void()> insert;
    };
    const Route routes[] = {
        {"typing", [&] { Type(L"Q"); }},
        {"enter", [&] { Type(L"\r"); }},
        {"paste",
         [&] {
             PutOnClipboard(L"Q", m_view.m_hWnd);
             m_view.SendMessage(WM_PASTE);
         }},
        {"Ctrl+V",
         [&] {
             PutOnClipboard(L"Q", m_view.m_hWnd);
             CHeldKeys ctrl{VK_CONTROL};
             Key('V');
         }},
        {"input method",
         [&] {
             CommitIme(L"Q");
             PumpUntil([&] { return Text().size() == 5; }, 2000);
         }},
        {"replacement from elsewhere", [&] { m_view.SendMessage(EM_REPLACESEL, TRUE, (LPARAM)L"Q"); }},
        {"date and time", [&] { m_frame.ExecuteCommand(ID_EDIT_TIME_DATE); }},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(r.what);
        Start(text, 2);
        r.insert();
        std::wstring now = Text();
        EXPECT_FALSE(HasLoneSurrogate(now));
        EXPECT_EQ(now.substr(0, 3), L"x" + kSmile); // the new text follows the pair
        EXPECT_NE(now, text);
        EXPECT_EQ(now.back(), L'y');
        Undo();
        EXPECT_EQ(Text(), text);
    }
}

TEST_F(SurrogatePairEditTest, ASelectionEndingInsideAPairIsWidenedBeforeItGoes) {
    const std::wstring text = L"a" + kSmile + L"b" + kYoshi + L"c";
    // [2, 5) starts after the first half of one pair and ends after the first half of another.
    struct Route {
        const char* what;
        std::function<void()> act;
        std::wstring expected;
    };
    const Route routes[] = {
        {"delete", [&] { Key(VK_DELETE); }, L"ac"},
        {"backspace", [&] { Type(L"\b"); }, L"ac"},
        {"clear", [&] { m_view.SendMessage(WM_CLEAR); }, L"ac"},
        {"cut", [&] { m_view.SendMessage(WM_CUT); }, L"ac"},
        {"typing over it", [&] { Type(L"Q"); }, L"aQc"},
        {"pasting over it",
         [&] {
             PutOnClipboard(L"QR", m_view.m_hWnd);
             m_view.SendMessage(WM_PASTE);
         },
         L"aQRc"},
        {"replacing it", [&] { m_view.RecordInsertion(L"Q", -1, -1, true); }, L"aQc"},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(r.what);
        Load(text, 0);
        Select(2, 5);
        ASSERT_EQ(Sel(), std::make_pair(2, 5));
        r.act();
        EXPECT_EQ(Text(), r.expected);
        Undo();
        EXPECT_EQ(Text(), text);
        Redo();
        EXPECT_EQ(Text(), r.expected);
    }
    // What was cut went to the clipboard whole.
    Load(text, 0);
    Select(2, 5);
    m_view.SendMessage(WM_CUT);
    EXPECT_EQ(ClipboardText(m_view.m_hWnd), kSmile + L"b" + kYoshi);
}
