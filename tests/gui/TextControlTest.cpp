// Our own text control on a real window, driven only by window messages as the program and a user
// drive it: random edits through every message against a string reference (wrapped and not),
// keyboard and mouse navigation, characters that must stay whole, scrolling past 65,535 lines, the
// wheel, word wrap with the line-break rules, and an input method commit.
#include "TestMain.h"
#include "ViewHost.h"
#include "view/TextAccessible.h"
#include "view/TextControl.h"
#include <imm.h>
#include <oleacc.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

bool High(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool Low(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool Mark(wchar_t c) { return c == 0x0301 || c == 0x3099 || c == 0xFE0F; }

// The reference: a string, an anchor and a caret, and the rules written out plainly.
struct Reference {
    std::wstring text;
    int anchor = 0, caret = 0;
    std::wstring clipboard;

    int Start() const { return std::min(anchor, caret); }
    int End() const { return std::max(anchor, caret); }
    int Length() const { return static_cast<int>(text.size()); }
    bool Splits(int i) const {
        if (i <= 0 || i >= Length())
            return false;
        wchar_t b = text[i - 1], c = text[i];
        return (b == L'\r' && c == L'\n') || (High(b) && Low(c)) || (Mark(c) && b != L'\r' && b != L'\n');
    }
    int Prev(int p) const {
        int q = p - 1;
        while (q > 0 && Splits(q))
            --q;
        return q;
    }
    int Next(int p) const {
        int q = p + 1;
        while (q < Length() && Splits(q))
            ++q;
        return q;
    }
    void Replace(const std::wstring& s) {
        text.replace(static_cast<size_t>(Start()), static_cast<size_t>(End() - Start()), s);
        anchor = caret = Start() + static_cast<int>(s.size());
    }
    std::vector<int> LineStarts() const {
        std::vector<int> starts{0};
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == L'\r' && text[i + 1] == L'\n')
                starts.push_back(static_cast<int>(i + 2));
        return starts;
    }
    int LineOf(int offset) const {
        std::vector<int> starts = LineStarts();
        return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
    }
};

int g_nChanges = 0;

// Dispatches every message waiting in this thread's queue.
void DrainMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        ++g_nChanges;
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

std::wstring RandomPiece(std::mt19937& rng, int nMax) {
    // The long piece wraps into rows of its own in a wrapped control.
    static const std::wstring pieces[] = {L"a", L"b ", L"あ", L"\r\n", L"\n", L"\t", L"\xD83D\xDE00",
                                          L"\x0301", L"\x3099", L"\xFE0F", L"漢字", L"xyz",
                                          L"長い行の文章 and some words、句読点。「括弧」もある長い行の文章 and more words "
                                          L"長い行の文章 and some words、句読点。「括弧」もある長い行の文章 and more words "};
    std::wstring s;
    int n = std::uniform_int_distribution<int>(0, nMax)(rng);
    for (int i = 0; i < n; ++i)
        s += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
    return s;
}

} // namespace

class TextControlTest : public ::testing::Test {
protected:
    static inline HWND s_hHost = nullptr;
    static inline HFONT s_hFont = nullptr;
    HWND m_hCtl = nullptr;

    static void SetUpTestSuite() {
        ASSERT_TRUE(CTextControl::Register());
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TextControlTestHost";
        ::RegisterClassExW(&wc);
        // One shown window for the suite: under Xvfb without a window manager, Wine waits about
        // two seconds for a shown top-level window to be unmapped.
        s_hHost = ::CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640,
                                    480, nullptr, nullptr, wc.hInstance, nullptr);
        s_hFont = ::CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, L"MS Gothic");
    }
    static void TearDownTestSuite() {
        ::DestroyWindow(s_hHost);
        ::DeleteObject(s_hFont);
    }
    void TearDown() override {
        if (m_hCtl)
            ::DestroyWindow(m_hCtl);
    }

    void Create(bool bWrap, const wchar_t* pszText = L"") {
        DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_NOHIDESEL | ES_AUTOVSCROLL;
        if (!bWrap)
            dwStyle |= WS_HSCROLL | ES_AUTOHSCROLL;
        RECT rc;
        ::GetClientRect(s_hHost, &rc);
        m_hCtl = ::CreateWindowExW(WS_EX_CLIENTEDGE, CTextControl::kClassName, pszText, dwStyle, 0, 0, rc.right,
                                   rc.bottom, s_hHost, reinterpret_cast<HMENU>(59648), ::GetModuleHandleW(nullptr),
                                   nullptr);
        ASSERT_NE(m_hCtl, nullptr);
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(s_hFont), TRUE);
        ::SetFocus(m_hCtl);
        g_nChanges = 0;
    }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hCtl, message, wParam, lParam);
    }
    std::wstring Text() const {
        std::wstring s(static_cast<size_t>(Send(WM_GETTEXTLENGTH)) + 1, L'\0');
        s.resize(static_cast<size_t>(Send(WM_GETTEXT, s.size(), reinterpret_cast<LPARAM>(s.data()))));
        return s;
    }
    std::pair<int, int> Sel() const {
        DWORD s = 0, e = 0;
        Send(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
        return {static_cast<int>(s), static_cast<int>(e)};
    }
    POINT Pos(int nOffset) const {
        auto r = static_cast<DWORD>(Send(EM_POSFROMCHAR, static_cast<WPARAM>(nOffset)));
        return POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
    }
    void Key(UINT vk, std::initializer_list<int> held = {}) {
        CHeldKeys keys(held);
        Send(WM_KEYDOWN, vk, 1);
    }
    void Click(POINT pt, UINT message = WM_LBUTTONDOWN, std::initializer_list<int> held = {}) {
        CHeldKeys keys(held);
        Send(message, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        Send(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    }
    // A block the control adopts, as the document hands over a decoded file.
    void SwapIn(const std::wstring& text) {
        HLOCAL hOld = reinterpret_cast<HLOCAL>(Send(EM_GETHANDLE));
        HLOCAL h = ::LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        ASSERT_NE(h, nullptr);
        auto* p = static_cast<wchar_t*>(::LocalLock(h));
        std::copy(text.begin(), text.end(), p);
        p[text.size()] = L'\0';
        ::LocalUnlock(h);
        Send(EM_SETHANDLE, reinterpret_cast<WPARAM>(h));
        ASSERT_EQ(reinterpret_cast<HLOCAL>(Send(EM_GETHANDLE)), h);
        ::LocalFree(hOld);
    }
    std::wstring Locked() const {
        HLOCAL h = reinterpret_cast<HLOCAL>(Send(EM_GETHANDLE));
        auto* p = static_cast<const wchar_t*>(::LocalLock(h));
        std::wstring s = p ? p : L"";
        ::LocalUnlock(h);
        return s;
    }

    void RandomRun(bool bWrap);
};

void TextControlTest::RandomRun(bool bWrap) {
    Create(bWrap);
    std::mt19937 rng(g_testRun.seed + (bWrap ? 1 : 0));
    const int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 600;
    Reference ref;
    ref.clipboard = L"clip\r\n";
    {
        CClipboard clipboard(m_hCtl);
        ASSERT_TRUE(clipboard.SetText(ref.clipboard));
    }
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int step = 0; step < nSteps; ++step) {
        const std::wstring before = ref.text;
        const int nChangesBefore = g_nChanges;
        bool bNotifies = true;
        std::string what;
        switch (pick(0, 13)) {
        case 0:
        case 1: {
            int s = pick(-1, ref.Length() + 1), e = pick(-1, ref.Length() + 2);
            what = "EM_SETSEL " + std::to_string(s) + "," + std::to_string(e);
            Send(EM_SETSEL, static_cast<WPARAM>(s), e);
            if (s == -1) {
                ref.anchor = ref.caret;
            } else {
                ref.anchor = std::clamp(s, 0, ref.Length());
                ref.caret = e < 0 || e > ref.Length() ? ref.Length() : e;
            }
            bNotifies = false;
            break;
        }
        case 2:
        case 3: {
            std::wstring piece = RandomPiece(rng, 4);
            what = "EM_REPLACESEL";
            Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
            ref.Replace(piece);
            break;
        }
        case 4: {
            static const wchar_t typed[] = {L'x', L'\r', L'\b', L'\b', 0x3042, L'\t', 0x0301};
            wchar_t ch = typed[pick(0, static_cast<int>(std::size(typed)) - 1)];
            what = "WM_CHAR " + std::to_string(ch);
            Send(WM_CHAR, ch, 1);
            if (ch == L'\b') {
                if (ref.Start() == ref.End() && ref.caret > 0)
                    ref.anchor = ref.Prev(ref.caret);
                ref.Replace(L"");
            } else {
                if (ref.Start() == ref.End() && ref.caret > 0 && ref.caret < ref.Length() &&
                    High(ref.text[ref.caret - 1]) && Low(ref.text[ref.caret]))
                    ref.anchor = ++ref.caret;
                ref.Replace(ch == L'\r' ? L"\r\n" : std::wstring(1, ch));
            }
            break;
        }
        case 5:
            what = "Delete";
            Key(VK_DELETE);
            if (ref.Start() == ref.End() && ref.caret < ref.Length())
                ref.anchor = ref.Next(ref.caret);
            ref.Replace(L"");
            break;
        case 6:
            what = "WM_CUT";
            Send(WM_CUT);
            if (ref.Start() != ref.End()) {
                ref.clipboard = ref.text.substr(ref.Start(), ref.End() - ref.Start());
                ref.Replace(L"");
            }
            break;
        case 7:
            what = "WM_COPY";
            Send(WM_COPY);
            if (ref.Start() != ref.End())
                ref.clipboard = ref.text.substr(ref.Start(), ref.End() - ref.Start());
            bNotifies = false;
            break;
        case 8:
            what = "WM_PASTE";
            Send(WM_PASTE);
            if (!ref.clipboard.empty())
                ref.Replace(ref.clipboard);
            break;
        case 9:
            what = "WM_CLEAR";
            Send(WM_CLEAR);
            ref.Replace(L"");
            break;
        case 10: {
            std::wstring text = RandomPiece(rng, 30);
            if (pick(0, 1)) {
                what = "WM_SETTEXT";
                Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            } else {
                what = "EM_SETHANDLE";
                SwapIn(text);
                bNotifies = false;
            }
            ref.text = text;
            ref.anchor = ref.caret = 0;
            break;
        }
        case 11: {
            // Scrolling by rows (the scroll bar, the wheel) moves no caret and changes no text.
            static const int codes[] = {SB_LINEDOWN, SB_LINEUP, SB_PAGEDOWN, SB_PAGEUP, -1, -2};
            const int nCode = codes[pick(0, 5)];
            what = "scroll " + std::to_string(nCode);
            if (nCode >= 0)
                Send(WM_VSCROLL, static_cast<WPARAM>(nCode));
            else
                Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(nCode == -1 ? -WHEEL_DELTA : WHEEL_DELTA)), 0);
            bNotifies = false;
            break;
        }
        default: {
            what = "navigation";
            static const UINT keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT};
            UINT vk = keys[pick(0, 7)];
            Key(vk);
            if (ref.Start() != ref.End() && (vk == VK_LEFT || vk == VK_RIGHT))
                ref.anchor = ref.caret = vk == VK_LEFT ? ref.Start() : ref.End();
            else if (vk == VK_LEFT)
                ref.anchor = ref.caret = ref.caret > 0 ? ref.Prev(ref.caret) : 0;
            else if (vk == VK_RIGHT)
                ref.anchor = ref.caret = ref.caret < ref.Length() ? ref.Next(ref.caret) : ref.Length();
            else {
                // Home, End and the vertical keys: checked against the rows the control shows, so
                // only the text is known.
                auto [s, e] = Sel();
                ref.anchor = ref.caret = s;
                EXPECT_EQ(s, e);
            }
            bNotifies = false;
            break;
        }
        }
        SCOPED_TRACE("step " + std::to_string(step) + ": " + what);
        ASSERT_EQ(Send(WM_GETTEXTLENGTH), ref.Length());
        ASSERT_EQ(Text(), ref.text);
        ASSERT_EQ(Sel(), std::make_pair(ref.Start(), ref.End()));
        if (bNotifies && ref.text != before) {
            ASSERT_EQ(g_nChanges, nChangesBefore + 1);
        } else if (!bNotifies) {
            ASSERT_EQ(g_nChanges, nChangesBefore);
        }
        const std::vector<int> starts = ref.LineStarts();
        ASSERT_EQ(Send(EM_GETLINECOUNT), static_cast<LRESULT>(starts.size()));
        const int nOffset = pick(0, ref.Length());
        ASSERT_EQ(Send(EM_LINEFROMCHAR, nOffset), ref.LineOf(nOffset));
        ASSERT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), ref.LineOf(ref.Start()));
        const int nLine = pick(0, static_cast<int>(starts.size()));
        ASSERT_EQ(Send(EM_LINEINDEX, nLine), nLine < static_cast<int>(starts.size()) ? starts[nLine] : -1);
        ASSERT_EQ(Send(EM_LINEINDEX, static_cast<WPARAM>(-1)), starts[ref.LineOf(ref.caret)]);
        if (step % 10 == 0) {
            ASSERT_EQ(Locked(), ref.text.substr(0, ref.text.find(L'\0')));
        }
        // The first visible line is the line of the character in the top left corner, and the
        // scroll bar's position lies within its range.
        const auto nAtTop = static_cast<DWORD>(Send(EM_CHARFROMPOS, 0, MAKELPARAM(4, 1)));
        ASSERT_EQ(Send(EM_GETFIRSTVISIBLELINE), static_cast<LRESULT>(HIWORD(nAtTop)));
        SCROLLINFO si{sizeof(si), SIF_ALL};
        ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
        ASSERT_GE(si.nPos, si.nMin);
        ASSERT_LE(si.nPos, si.nMax);
        if (!bWrap) {
            ASSERT_EQ(si.nMax, static_cast<int>(starts.size()) - 1);
        } else {
            ASSERT_GE(si.nMax, static_cast<int>(starts.size()) - 1); // rows: at least one a line
        }
        // The caret's point and the character found there agree (where a caret may stand).
        const POINT pt = Pos(ref.caret);
        if (!ref.Splits(ref.caret) && pt.y >= 0 && pt.y < 400 && pt.x >= 0 && pt.x < 560) {
            ASSERT_EQ(LOWORD(Send(EM_CHARFROMPOS, 0, MAKELPARAM(pt.x, pt.y))), ref.caret & 0xFFFF);
        }
        // The system caret and the input method's window are placed once the queue is handled
        // (or when asked): at the caret's point.
        if (::GetFocus() == m_hCtl) {
            if (step % 2)
                DrainMessages();
            else
                Send(CTextControl::kMsgPlaceCaret);
            POINT ptCaret{};
            ASSERT_TRUE(::GetCaretPos(&ptCaret));
            ASSERT_EQ(std::make_pair(ptCaret.x, ptCaret.y), std::make_pair(pt.x, pt.y));
            if (HIMC hImc = ::ImmGetContext(m_hCtl)) {
                COMPOSITIONFORM form{};
                const BOOL bForm = ::ImmGetCompositionWindow(hImc, &form);
                ::ImmReleaseContext(m_hCtl, hImc);
                if (bForm) {
                    ASSERT_EQ(std::make_pair(form.ptCurrentPos.x, form.ptCurrentPos.y), std::make_pair(pt.x, pt.y));
                }
            }
        }
    }
}

TEST_F(TextControlTest, RandomMessagesAgreeWithAStringReference) { RandomRun(false); }
TEST_F(TextControlTest, RandomMessagesAgreeWithAStringReferenceWhenWrapped) { RandomRun(true); }

// The control learns each character's width from the lines it measured and lays out later lines
// from that table: every position must still be what GDI gives for the line measured whole, in a
// fixed and a proportional font, before and after edits and a change of font.
TEST_F(TextControlTest, PositionsFromLearntWidthsAgreeWithTheLineMeasuredWhole) {
    std::mt19937 rng(g_testRun.seed);
    // A small alphabet, so that later lines hold only characters seen before; pairs, marks and
    // lone line-break characters stay measured through GDI.
    static const std::wstring pieces[] = {L"a", L"W", L"i ", L"あ", L"漢字", L"、", L"ｶﾅ", L"Ω", L"—",
                                          L"\xD83D\xDE00", L"e\x0301", L"か\x3099", L"\n", L"\u3000"};
    auto line = [&] {
        std::wstring s;
        for (int n = std::uniform_int_distribution<int>(0, 24)(rng); n > 0; --n)
            s += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(rng)];
        return s;
    };
    CMemoryDC dc(::CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    HFONT hProportional = ::CreateFontW(-19, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, L"Tahoma");
    ASSERT_NE(hProportional, nullptr);
    Create(false);
    for (HFONT hFont : {s_hFont, hProportional, s_hFont}) {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
        CSelectObject font(dc.Get(), hFont);
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("round " + std::to_string(round) + " seed " + std::to_string(g_testRun.seed));
            std::vector<std::wstring> lines(20);
            std::wstring text;
            for (size_t l = 0; l < lines.size(); ++l) {
                lines[l] = line();
                text += (l ? L"\r\n" : L"") + lines[l];
            }
            if (round % 2 == 0) {
                Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
            } else {
                // An edit drops the layouts of the lines it touched: they are laid out again.
                Send(EM_SETSEL, 0, -1);
                Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
            }
            Send(EM_SETSEL, 0, 0);
            Send(EM_SCROLLCARET);
            ::UpdateWindow(m_hCtl);
            int nStart = 0;
            const POINT origin = Pos(0);
            for (const std::wstring& s : lines) {
                const int n = static_cast<int>(s.size());
                std::vector<int> dx(s.size() + 1, 0);
                SIZE size{};
                if (n > 0)
                    ::GetTextExtentExPointW(dc.Get(), s.c_str(), n, 0, nullptr, dx.data(), &size);
                for (int i = 0; i <= n; ++i) {
                    if (i > 0 && i < n && High(s[i - 1]) && Low(s[i]))
                        continue; // between the halves of a pair: the pair's left edge
                    const POINT pt = Pos(nStart + i);
                    ASSERT_EQ(pt.x - origin.x, i > 0 ? dx[static_cast<size_t>(i - 1)] : 0)
                        << "offset " << i << " of line \"" << ::testing::PrintToString(s) << "\"";
                }
                nStart += n + 2;
            }
        }
    }
    ::DeleteObject(hProportional);
}

TEST_F(TextControlTest, KeyboardMovesOverWholeCharactersAndLines) {
    // Line 0: e + acute, a smiley, か + voicing mark; line 1: two words; line 2: empty; line 3: "end".
    const std::wstring text = L"e\x0301\xD83D\xDE00か\x3099\r\nword next\r\n\r\nend";
    Create(false, text.c_str());
    EXPECT_EQ(Text(), text);
    EXPECT_EQ(g_nChanges, 0); // the window name is the first text, without a notice
    std::vector<int> stops;
    for (int i = 0; i < 8; ++i) {
        stops.push_back(Sel().second);
        Key(VK_RIGHT);
    }
    EXPECT_EQ(stops, (std::vector<int>{0, 2, 4, 6, 8, 9, 10, 11}));
    Key(VK_HOME);
    EXPECT_EQ(Sel(), std::make_pair(8, 8));
    Key(VK_END);
    EXPECT_EQ(Sel(), std::make_pair(17, 17));
    Key(VK_LEFT, {VK_CONTROL});
    EXPECT_EQ(Sel(), std::make_pair(13, 13)); // before "next"
    Key(VK_LEFT, {VK_CONTROL});
    EXPECT_EQ(Sel(), std::make_pair(8, 8)); // before "word"
    Key(VK_RIGHT, {VK_CONTROL});
    EXPECT_EQ(Sel(), std::make_pair(13, 13)); // past the word and its blank
    Key(VK_DOWN);
    EXPECT_EQ(Sel(), std::make_pair(19, 19)); // the empty line holds the caret at its start
    Key(VK_DOWN);
    EXPECT_EQ(Sel(), std::make_pair(24, 24)); // the column kept as near as "end" allows
    Key(VK_UP);
    Key(VK_UP);
    EXPECT_EQ(Sel(), std::make_pair(13, 13)); // and the column comes back on a long enough line
    Key(VK_END, {VK_CONTROL});
    Key(VK_HOME, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(Sel(), std::make_pair(0, 24));
    Key(VK_RIGHT, {VK_SHIFT});
    EXPECT_EQ(Sel(), std::make_pair(2, 24)); // the anchor stays, the caret moved over e and its mark
    Key(VK_END, {VK_CONTROL});
    EXPECT_EQ(Sel(), std::make_pair(24, 24));
    // Backspace and Delete take whole characters: a pair, a base with its mark, a line break.
    Send(EM_SETSEL, 6, 6);
    Send(WM_CHAR, L'\b', 1);
    EXPECT_EQ(Text(), L"e\x0301\xD83D\xDE00\r\nword next\r\n\r\nend");
    Send(WM_CHAR, L'\b', 1);
    EXPECT_EQ(Text(), L"e\x0301\r\nword next\r\n\r\nend");
    Key(VK_DELETE);
    EXPECT_EQ(Text(), L"e\x0301word next\r\n\r\nend");
    Send(WM_CHAR, L'\b', 1);
    EXPECT_EQ(Text(), L"word next\r\n\r\nend");
    // Typing at a caret a program left inside a pair goes after the pair.
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"\xD83D\xDE00"));
    Send(EM_SETSEL, 1, 1);
    Send(WM_CHAR, L'!', 1);
    EXPECT_EQ(Text(), L"\xD83D\xDE00!");
    // Ctrl+Backspace and other control characters are no text.
    Send(WM_CHAR, 1, 1);
    Send(WM_CHAR, 27, 1);
    EXPECT_EQ(Text(), L"\xD83D\xDE00!");
}

namespace {
// nLines lines "行 <number><tail>", CR LF after each.
std::wstring NumberedLines(int nLines, const std::wstring& tail = L"") {
    std::wstring text;
    for (int i = 0; i < nLines; ++i)
        text += L"行 " + std::to_wstring(i) + tail + L"\r\n";
    return text;
}
} // namespace

TEST_F(TextControlTest, PagesScrollAndTheScrollBarReachesPastSixtyFiveThousandLines) {
    Create(false);
    SwapIn(NumberedLines(70000));
    EXPECT_EQ(Send(EM_GETLINECOUNT), 70001);
    Send(EM_SETSEL, static_cast<WPARAM>(Send(EM_LINEINDEX, 69990)), static_cast<LPARAM>(Send(EM_LINEINDEX, 69990)));
    Send(EM_SCROLLCARET);
    const int nTop = static_cast<int>(Send(EM_GETFIRSTVISIBLELINE));
    EXPECT_GT(nTop, 69900);
    EXPECT_LE(nTop, 69990);
    SCROLLINFO si{sizeof(si), SIF_ALL};
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 70000);
    EXPECT_EQ(si.nPos, nTop);
    Send(WM_VSCROLL, SB_TOP);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);
    Send(WM_VSCROLL, SB_BOTTOM);
    const int nRows = static_cast<int>(si.nPage);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 70001 - nRows);
    Send(EM_LINESCROLL, 0, -66000);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 70001 - nRows - 66000);
    // The wheel: one notch down scrolls the system's number of lines.
    UINT nPerNotch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nPerNotch, 0);
    const LRESULT nBefore = Send(EM_GETFIRSTVISIBLELINE);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), nBefore + static_cast<LRESULT>(nPerNotch));
    // PgDn moves the caret and the view by a page less one line.
    Send(EM_SETSEL, 0, 0);
    Send(EM_SCROLLCARET);
    Key(VK_NEXT);
    EXPECT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), nRows - 1);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), nRows - 1);
}

// With drawing off (WM_SETREDRAW), a run of selections and replacements far down the text
// invalidates nothing and leaves the scroll bar alone; drawing back on shows where the run ended:
// the bar at the first visible line, and the window to be painted.
TEST_F(TextControlTest, DrawingOffHoldsTheScreenAndBackOnShowsWhereARunEnded) {
    Create(false);
    SwapIn(NumberedLines(5000, L" zap"));
    ::UpdateWindow(m_hCtl);
    SCROLLINFO before{sizeof(before), SIF_ALL};
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &before));
    Send(WM_SETREDRAW, FALSE);
    for (int nLine : {4990, 3000, 1200}) {
        const auto nStart = Send(EM_LINEINDEX, static_cast<WPARAM>(nLine));
        Send(EM_SETSEL, static_cast<WPARAM>(nStart), nStart + 1);
        Send(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"置"));
    }
    RECT rcUpdate{};
    EXPECT_FALSE(::GetUpdateRect(m_hCtl, &rcUpdate, FALSE));
    SCROLLINFO during{sizeof(during), SIF_ALL};
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &during));
    EXPECT_EQ(during.nPos, before.nPos);
    const auto nTop = Send(EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(nTop, 1100);
    EXPECT_LE(nTop, 1200);
    Send(WM_SETREDRAW, TRUE);
    EXPECT_TRUE(::GetUpdateRect(m_hCtl, &rcUpdate, FALSE));
    SCROLLINFO after{sizeof(after), SIF_ALL};
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &after));
    EXPECT_EQ(after.nPos, nTop);
    EXPECT_EQ(Send(EM_LINELENGTH, static_cast<WPARAM>(Send(EM_LINEINDEX, 3000))), 10);
}

TEST_F(TextControlTest, ALineOfAHundredThousandCharactersWrappedIsReachableRowByRow) {
    std::wstring line;
    while (line.size() < 100000)
        line += L"漢字かな交じりの文 and words ";
    line.resize(100000);
    const std::wstring text = L"head\r\n" + line + L"\r\ntail";
    const int nLong = 6, nTail = nLong + 100000 + 2;
    Create(true);
    SwapIn(text);
    RECT rc;
    ::GetClientRect(m_hCtl, &rc);
    const int nRowHeight = Pos(nLong).y - Pos(0).y;
    ASSERT_GT(nRowHeight, 0);
    auto visible = [&](int nOffset) {
        const POINT pt = Pos(nOffset);
        return pt.y >= 0 && pt.y + nRowHeight <= rc.bottom;
    };
    // EM_CHARFROMPOS answers 16 bits of the offset, as EDIT does: the offset with those bits
    // that stands on the top row is the one.
    auto topOffset = [&] {
        const int nLow = LOWORD(Send(EM_CHARFROMPOS, 0, MAKELPARAM(4, 1)));
        for (int c = nLow; c <= static_cast<int>(text.size()); c += 0x10000)
            if (Pos(c).y >= 0 && Pos(c).y < nRowHeight)
                return c;
        return -1;
    };
    SCROLLINFO si{sizeof(si), SIF_ALL};
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    EXPECT_GT(si.nMax, 1000); // the scroll bar counts rows, not the file's three lines

    // The scroll bar's arrow: one row at a time, inside the long line too.
    Send(WM_VSCROLL, SB_LINEDOWN);
    Send(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 1);
    const int nSecondRow = topOffset();
    EXPECT_GT(nSecondRow, nLong);
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    EXPECT_EQ(si.nPos, 2);
    // Page by page down to the bottom, every page starts further into the line, and its end and
    // the next line come into view.
    int nLast = topOffset(), nPages = 0;
    while (!visible(nTail) && nPages < 10000) {
        Send(WM_VSCROLL, SB_PAGEDOWN);
        const int nNow = static_cast<int>(Send(EM_GETFIRSTVISIBLELINE)) == 1 ? topOffset() : nTail;
        ASSERT_GT(nNow, nLast) << "page " << nPages;
        nLast = nNow;
        ++nPages;
    }
    EXPECT_TRUE(visible(nLong + 99999));
    EXPECT_GT(nPages, 20);
    // The thumb: the middle of the bar is the middle of the line.
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    si.fMask = SIF_POS;
    si.nPos = si.nMax / 2;
    ::SetScrollInfo(m_hCtl, SB_VERT, &si, FALSE);
    Send(WM_VSCROLL, SB_THUMBPOSITION);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_GT(topOffset(), nLong + 30000);
    EXPECT_LT(topOffset(), nLong + 70000);
    // EM_LINESCROLL and EM_GETFIRSTVISIBLELINE count the file's lines.
    Send(EM_LINESCROLL, 0, 1);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 2);
    Send(EM_LINESCROLL, 0, -1);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 1);
    EXPECT_EQ(topOffset(), nLong);
    // The wheel: rows too.
    UINT nPerNotch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nPerNotch, 0);
    si.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    const int nBefore = si.nPos;
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    ASSERT_TRUE(::GetScrollInfo(m_hCtl, SB_VERT, &si));
    EXPECT_EQ(si.nPos, nBefore + static_cast<int>(nPerNotch));
    // The keyboard: Ctrl+End shows the end, Down walks the rows of the line with the caret in view.
    Key(VK_END, {VK_CONTROL});
    EXPECT_TRUE(visible(static_cast<int>(text.size())));
    Send(EM_SETSEL, nLong, nLong);
    Send(EM_SCROLLCARET);
    for (int i = 0; i < 60; ++i) {
        const int nCaret = Sel().second;
        Key(VK_DOWN);
        ASSERT_GT(Sel().second, nCaret);
        ASSERT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 1);
        ASSERT_TRUE(visible(Sel().second)) << "row " << i;
    }
    Key(VK_NEXT);
    EXPECT_TRUE(visible(Sel().second));
    // A click lands on the row clicked, deep in the line.
    const POINT pt{40, nRowHeight * 5 + 4};
    Click(pt);
    EXPECT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 1);
    EXPECT_EQ(Pos(Sel().second).y, nRowHeight * 5);
}

TEST_F(TextControlTest, MouseClicksDoubleClicksAndDragsSelect) {
    Create(false, L"alpha beta gamma\r\nsecond line\r\nthird");
    Click(Pos(8));
    EXPECT_EQ(Sel(), std::make_pair(8, 8));
    Click(Pos(14), WM_LBUTTONDOWN, {VK_SHIFT});
    EXPECT_EQ(Sel(), std::make_pair(8, 14));
    Click(Pos(7), WM_LBUTTONDBLCLK);
    EXPECT_EQ(Sel(), std::make_pair(6, 11)); // "beta " with its blank
    // Drag from the second line into the third.
    const POINT from = Pos(20), to = Pos(33);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    EXPECT_EQ(Sel(), std::make_pair(20, 33));
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(TextControlTest, DraggingBelowTheWindowScrollsUntilTheButtonIsReleased) {
    std::wstring text;
    for (int i = 0; i < 500; ++i)
        text += L"line " + std::to_wstring(i) + L"\r\n";
    Create(false, text.c_str());
    RECT rc;
    ::GetClientRect(m_hCtl, &rc);
    POINT below{20, rc.bottom + 40};
    // The real pointer goes there too: Wine reports where it really is after the text scrolls.
    POINT screen = below;
    ::ClientToScreen(m_hCtl, &screen);
    ::SetCursorPos(screen.x, screen.y);
    ASSERT_TRUE(PumpUntil([&] {
        POINT cur{};
        ::GetCursorPos(&cur);
        return cur.x == screen.x && cur.y == screen.y;
    }));
    const POINT start = Pos(0);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.x, start.y));
    ASSERT_EQ(::GetCapture(), m_hCtl);
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(below.x, below.y));
    EXPECT_TRUE(PumpUntil([&] { return Send(EM_GETFIRSTVISIBLELINE) >= 5; }));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(below.x, below.y));
    const LRESULT nTop = Send(EM_GETFIRSTVISIBLELINE);
    auto [s, e] = Sel();
    EXPECT_EQ(s, 0);
    EXPECT_GT(Send(EM_LINEFROMCHAR, e), nTop); // the selection followed the scrolling
    // Released: no more scrolling (a few timer periods go by).
    EXPECT_FALSE(PumpUntil([&] { return Send(EM_GETFIRSTVISIBLELINE) != nTop; }, 300));
}

TEST_F(TextControlTest, WrappedRowsFollowTheLineBreakRulesAndLinesStayTheFilesLines) {
    std::wstring line;
    for (int i = 0; i < 40; ++i)
        line += L"あいうえおかきくけ「こ」、さしすせそ。";
    const std::wstring text = line + L"\r\n" + line;
    Create(true, text.c_str());
    EXPECT_EQ(Send(EM_GETLINECOUNT), 2);
    EXPECT_EQ(Send(EM_LINEFROMCHAR, line.size() - 1), 0);
    EXPECT_EQ(Send(EM_LINEINDEX, 1), static_cast<LRESULT>(line.size() + 2));
    RECT rc;
    ::GetClientRect(m_hCtl, &rc);
    int nRows = 0;
    int nLastY = Pos(0).y;
    for (int i = 1; i < static_cast<int>(line.size()); ++i) {
        POINT pt = Pos(i);
        ASSERT_LE(pt.x, rc.right) << "offset " << i;
        if (pt.y != nLastY) {
            ++nRows;
            ASSERT_GT(pt.y, nLastY);
            SCOPED_TRACE("row starting at " + std::to_string(i));
            EXPECT_FALSE(CTextControl::IsNoBreakBefore(line[i]));
            EXPECT_FALSE(CTextControl::IsNoBreakAfter(line[i - 1]));
            nLastY = pt.y;
        }
    }
    EXPECT_GT(nRows, 5);
    // The second line starts on a row of its own, below the first line's last row.
    EXPECT_GT(Pos(static_cast<int>(line.size()) + 2).y, nLastY);
    // Down from the first row goes to the second row of the same line.
    Send(EM_SETSEL, 0, 0);
    Key(VK_DOWN);
    EXPECT_EQ(Send(EM_LINEFROMCHAR, static_cast<WPARAM>(-1)), 0);
    EXPECT_GT(Sel().first, 0);
}

TEST_F(TextControlTest, AnInputMethodCommitGoesInOnceAtTheCaret) {
    Create(false, L"前後");
    Send(EM_SETSEL, 1, 1);
    ASSERT_TRUE(CommitThroughIme(m_hCtl, L"日本語"));
    PumpUntil([&] { return Text() != L"前後"; }, 2000);
    DrainMessages(); // any WM_IME_CHAR or WM_CHAR that would repeat the commit
    EXPECT_EQ(Text(), L"前日本語後");
    EXPECT_EQ(Sel(), std::make_pair(4, 4));
    EXPECT_EQ(g_nChanges, 1);
    // A read-only control takes nothing from the keyboard or the input method.
    Send(EM_SETREADONLY, TRUE);
    Send(WM_CHAR, L'x', 1);
    Key(VK_DELETE);
    ASSERT_TRUE(CommitThroughIme(m_hCtl, L"字"));
    DrainMessages();
    EXPECT_EQ(Text(), L"前日本語後");
}

TEST_F(TextControlTest, NothingIsLostWhenTheClipboardIsBusyOrTheLimitIsReached) {
    Create(false, L"keep this");
    Send(EM_SETSEL, 0, 4);
    {
        // Another window holds the clipboard open: the cut cannot copy, so nothing is removed.
        CClipboard busy(s_hHost);
        ASSERT_TRUE(busy.IsOpen());
        Send(WM_CUT);
        EXPECT_EQ(Text(), L"keep this");
        EXPECT_EQ(Sel(), std::make_pair(0, 4));
    }
    Send(WM_CUT);
    EXPECT_EQ(Text(), L" this");
    EXPECT_EQ(g_nChanges, 1);
    // Past the limit, typing and pasting are refused whole: nothing is cut short.
    Send(EM_LIMITTEXT, 7);
    EXPECT_EQ(Send(EM_GETLIMITTEXT), 7);
    Send(EM_SETSEL, 5, 5);
    Send(WM_PASTE); // "keep" is 4 characters: 9 > 7
    EXPECT_EQ(Text(), L" this");
    Send(WM_CHAR, L'!', 1);
    Send(WM_CHAR, L'!', 1);
    Send(WM_CHAR, L'!', 1);
    EXPECT_EQ(Text(), L" this!!");
}

TEST_F(TextControlTest, TheAccessibleValueIsTheTextOrAMillionCharactersAroundTheCaret) {
    // Lines of one length, each numbered, so a stretch of the text is found in one place only.
    std::wstring text;
    const size_t nLineLength = 40;
    for (int i = 0; text.size() < 3 * static_cast<size_t>(kMaxAccessibleValue); ++i) {
        std::wstring line = std::to_wstring(i);
        line.resize(nLineLength - 2, L'.');
        text += line + L"\r\n";
    }
    Create(false);
    SwapIn(text);
    const int nCaret = static_cast<int>(text.size()) / 2 + 5;
    Send(EM_SETSEL, nCaret, nCaret);
    Send(EM_SETREADONLY, TRUE);
    IAccessible* pAcc = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(m_hCtl, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&pAcc)),
              S_OK);
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR bstr = nullptr;
    ASSERT_EQ(pAcc->get_accValue(self, &bstr), S_OK);
    const std::wstring value(bstr, ::SysStringLen(bstr));
    ::SysFreeString(bstr);
    // A stretch of the limit's length, from a line's start, holding the caret's line.
    ASSERT_EQ(value.size(), static_cast<size_t>(kMaxAccessibleValue));
    const size_t nFrom = text.find(value.substr(0, 200));
    ASSERT_NE(nFrom, std::wstring::npos);
    EXPECT_EQ(nFrom % nLineLength, 0u);
    EXPECT_EQ(text.compare(nFrom, value.size(), value), 0);
    EXPECT_LE(nFrom, static_cast<size_t>(nCaret));
    EXPECT_GE(nFrom + value.size(), static_cast<size_t>(nCaret) + nLineLength);
    VARIANT state;
    ASSERT_EQ(pAcc->get_accState(self, &state), S_OK);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_READONLY);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSED);
    pAcc->Release();
    // A text within the limit is the value whole.
    Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"短い\r\nテキスト"));
    ASSERT_EQ(::AccessibleObjectFromWindow(m_hCtl, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&pAcc)),
              S_OK);
    bstr = nullptr;
    ASSERT_EQ(pAcc->get_accValue(self, &bstr), S_OK);
    EXPECT_EQ(std::wstring(bstr, ::SysStringLen(bstr)), L"短い\r\nテキスト");
    ::SysFreeString(bstr);
    pAcc->Release();
}
