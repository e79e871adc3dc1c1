// End-to-end checks of start-up, the command line, the status bar, the reload rule, dropped files
// and the settings the main window keeps, driving the built editor from outside.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"
#include <algorithm>

using namespace e2e;

namespace {
constexpr const wchar_t* kUntitledTitle = L"無題 - Tessarin";

// A UTF-8 file under tests/data as editor text: UTF-16 with CR LF breaks.
std::wstring EditorTextOf(const std::wstring& relative) {
    std::vector<unsigned char> bytes = ReadAllBytes(TestDataPath(relative));
    int n = ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                          text.data(), n);
    std::wstring out;
    for (wchar_t ch : text) {
        if (ch == L'\n')
            out += L'\r';
        out += ch;
    }
    return out;
}

// The Japanese encodings go through JIS X 0208, where CP932's look-alikes read as their JIS forms.
std::wstring FoldToJis(std::wstring text) {
    for (wchar_t& ch : text) {
        switch (ch) {
        case 0xFF0D: ch = 0x2212; break; // minus
        case 0xFF5E: ch = 0x301C; break; // wave dash
        case 0x2225: ch = 0x2016; break; // double vertical line
        case 0xFFE0: ch = 0x00A2; break; // cent
        case 0xFFE1: ch = 0x00A3; break; // pound
        case 0xFFE2: ch = 0x00AC; break; // not
        default: break;
        }
    }
    return text;
}

void WriteText(const std::wstring& path, const std::string& utf8) {
    WriteAllBytes(path, utf8.data(), utf8.size());
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Fixture {
    int id;
    const wchar_t* shortName;
    const wchar_t* source; // the UTF-8 text it was made from
};

const Fixture kFixtures[] = {
    {0, L"SJIS", L"text-full.txt"},
    {1, L"EUC-JP", L"text-euc.txt"},
    {2, L"ISO-2022-JP", L"text-jis.txt"},
    {3, L"UTF-8", nullptr},
    {4, L"UTF-8N", nullptr},
    {5, L"UTF-16(big endian)", nullptr},
    {6, L"UTF-16(little endian)", nullptr},
    {7, L"UTF-16BE", nullptr},
    {8, L"UTF-16LE", nullptr},
    {9, L"UTF-32(big endian)", nullptr},
    {10, L"UTF-32(little endian)", nullptr},
    {11, L"UTF-32BE", nullptr},
    {12, L"UTF-32LE", nullptr},
};
const wchar_t* const kLineEndingNames[] = {L"CRLF", L"LF", L"CR"};

class ShellE2E : public TessarinE2E {
protected:
    // Answers the box shown now with `button`, after checking its text.
    void Answer(const std::wstring& expectedText, int button) {
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << "no question";
        EXPECT_EQ(MessageBoxText(box), expectedText);
        ASSERT_TRUE(PressButton(box, button));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    }
    bool TitleIs(const std::wstring& title) {
        return WaitUntil([&] { return WindowText(m_hWndMain) == title; });
    }
};

} // namespace

TEST_F(ShellE2E, UntitledStartShowsFormatAndPositionPanes) {
    ASSERT_NE(Launch(), nullptr);
    EXPECT_EQ(WindowText(m_hWndMain), kUntitledTitle);
    HWND bar = StatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(::IsWindowVisible(bar)) << "hidden on a first run";
    EXPECT_EQ(StatusPaneCount(bar), 7);
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 1) == L"\t\tSJIS / CRLF "; }))
        << StatusPaneText(bar, 1).size();
    EXPECT_EQ(StatusPaneText(bar, 0), L"ヘルプを表示するには [F1] を押してください。");

    // While the bar is hidden the caret's line and column are not computed at all, typing
    // included; shown, the bar has them. Typed keys arrive through the message loop, and an idle
    // pass follows them (and the posted WM_NULL after them).
    ASSERT_TRUE(m_app.PostText(L"ab\n\tcd"));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"ab\r\n\tcd"; }));
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_NULL, 0, 0));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_EQ(StatusPaneText(bar, 2), L"");
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_STATUS_BAR));
    // The caret's line and column follow typing; a forward selection shows its start.
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、4列"; })) << StatusPaneText(bar, 2);
    ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 5, 7));
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_NULL, 0, 0)); // a sent message starts no idle pass; this does
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、2列"; })) << StatusPaneText(bar, 2);

    // A highlighted menu item's prompt shows in pane 0 until the menu closes.
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_MENUSELECT, MAKEWPARAM(ID_FILE_NEW, MF_HILITE), 0));
    EXPECT_EQ(StatusPaneText(bar, 0), L"新規にドキュメントを作成します");
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0));
    EXPECT_EQ(StatusPaneText(bar, 0), L"ヘルプを表示するには [F1] を押してください。");

    // Editing leaves the title alone: it carries no mark for unsaved changes.
    EXPECT_EQ(WindowText(m_hWndMain), kUntitledTitle);
    ExitDiscarding();
}

TEST_F(ShellE2E, ThePositionPaneFollowsAClickGoToUndoAndOpen) {
    const std::wstring first = m_dir.File(L"first.txt"), second = m_dir.File(L"second.txt");
    WriteText(first, "one\r\ntwo\r\nthree");
    WriteText(second, "other");
    ASSERT_NE(Launch(first), nullptr);
    HWND bar = StatusBar(), edit = Edit();
    ASSERT_TRUE(WaitUntil([&] { return WindowText(edit) == L"one\r\ntwo\r\nthree"; }));
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 1行、1列"; })) << StatusPaneText(bar, 2);
    ASSERT_TRUE(m_app.PostText(L"ab"));
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 1行、3列"; })) << StatusPaneText(bar, 2);
    // A click on line 2, column 3 (offset 9 of "abone", CR LF, "two").
    LRESULT nPos = 0;
    ASSERT_TRUE(SendTimed(edit, EM_POSFROMCHAR, 9, 0, &nPos));
    const LPARAM ptClick = MAKELPARAM(LOWORD(nPos) + 1, HIWORD(nPos) + 2);
    ASSERT_TRUE(::PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, ptClick));
    ASSERT_TRUE(::PostMessageW(edit, WM_LBUTTONUP, 0, ptClick));
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、3列"; })) << StatusPaneText(bar, 2);
    auto goTo = [&](int nLine, int nColumn) {
        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_GOTO_LINE));
        HWND dlg = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"行へ移動"; });
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(::SetDlgItemTextW(dlg, IDC_GOTO_LINE, std::to_wstring(nLine).c_str()));
        ASSERT_TRUE(::SetDlgItemTextW(dlg, IDC_GOTO_COLUMN, std::to_wstring(nColumn).c_str()));
        ASSERT_TRUE(PressButton(dlg, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    };
    goTo(3, 4);
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 3行、4列"; })) << StatusPaneText(bar, 2);
    // Undo takes the typing back and puts the caret where it was.
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_UNDO));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(edit) == L"one\r\ntwo\r\nthree"; }));
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 1行、1列"; })) << StatusPaneText(bar, 2);
    goTo(2, 2);
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、2列"; })) << StatusPaneText(bar, 2);
    // Another file opened: its start.
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_OPEN));
    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetFileName(dlg, second));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"other"; }));
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 1行、1列"; })) << StatusPaneText(bar, 2);
    ASSERT_TRUE(m_app.Close());
}

TEST_F(ShellE2E, WordWrapKeepsThePositionPaneOnTheFilesLines) {
    ASSERT_NE(Launch(), nullptr);
    HWND bar = StatusBar();
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_STATUS_BAR)); // hidden on a first run: computed only when shown
    ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 1行、1列"; }));
    // A first line far wider than the window: wrapped, it takes many rows, and the caret on the
    // second line is still on line 2 of the file.
    std::wstring text;
    for (int i = 0; i < 200; ++i)
        text += L"word ";
    ASSERT_TRUE(m_app.PostText(text + L"\nab"));
    ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、3列"; })) << StatusPaneText(bar, 2);
    ASSERT_TRUE(m_app.PostCommand(ID_FORMAT_WORD_WRAP));
    // The view wraps: a control without ES_AUTOHSCROLL. (The driver ends the program should this
    // fail.)
    ASSERT_TRUE(WaitUntil([&] {
        HWND e = Edit();
        return e && !(::GetWindowLongW(e, GWL_STYLE) & ES_AUTOHSCROLL);
    })) << "the word-wrap command left the control unwrapped";
    ASSERT_TRUE(m_app.PostText(L"c", Edit())); // to the new control
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 2) == L" 2行、4列"; })) << StatusPaneText(bar, 2).size();
    ASSERT_TRUE(m_app.PostCommand(ID_FORMAT_WORD_WRAP)); // back off, so the next run starts unwrapped
    ASSERT_TRUE(WaitUntil([&] {
        HWND e = Edit();
        return e && (::GetWindowLongW(e, GWL_STYLE) & ES_AUTOHSCROLL);
    }));
    ExitDiscarding();
}

TEST_F(ShellE2E, PathWithSpacesOpensWithAndWithoutQuotes) {
    const std::wstring path = m_dir.File(L"my file.txt");
    WriteText(path, "spaced\r\nname");
    for (const std::wstring& args : {path, L"\"" + path + L"\""}) {
        SCOPED_TRACE(testing::Message() << "quoted: " << (args[0] == L'"'));
        ASSERT_NE(Launch(args), nullptr);
        EXPECT_TRUE(TitleIs(L"my file.txt - Tessarin")) << "title";
        EXPECT_EQ(WindowText(Edit()), L"spaced\r\nname");
        ExitDiscarding();
    }
}

TEST_F(ShellE2E, TwoNamesAreOneMissingName) {
    WriteText(m_dir.File(L"a.txt"), "a");
    WriteText(m_dir.File(L"b.txt"), "b");
    const std::wstring whole = m_dir.File(L"a.txt") + L" " + m_dir.File(L"b.txt");
    ASSERT_NE(Launch(whole), nullptr);
    Answer(L"ファイル" + whole + L"が見つかりません。\n\n新しく作成しますか？", IDNO);
    EXPECT_EQ(WindowText(m_hWndMain), kUntitledTitle);
    EXPECT_FALSE(FileExists(whole));
    ExitDiscarding();
}

TEST_F(ShellE2E, MissingFileYesCreatesAndOpensIt) {
    const std::wstring path = m_dir.File(L"new.txt");
    ASSERT_NE(Launch(path), nullptr);
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Tessarin");
    EXPECT_EQ(DialogButtons(box), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    EXPECT_EQ(::GetWindow(box, GW_OWNER), m_hWndMain) << "asked over the visible main window";
    ASSERT_TRUE(PressButton(box, IDYES));
    EXPECT_TRUE(TitleIs(L"new.txt - Tessarin"));
    ASSERT_TRUE(FileExists(path));
    EXPECT_TRUE(ReadAllBytes(path).empty());
    ExitDiscarding();
}

TEST_F(ShellE2E, MissingFileNoKeepsUntitled) {
    const std::wstring path = m_dir.File(L"never.txt");
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    Answer(L"ファイル" + path + L"が見つかりません。\n\n新しく作成しますか？", IDNO);
    EXPECT_EQ(WindowText(m_hWndMain), kUntitledTitle);
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(m_app.IsRunning());
    ExitDiscarding();
}

TEST_F(ShellE2E, MissingFileCancelEndsWithNothingCreated) {
    const std::wstring path = m_dir.File(L"cancelled.txt");
    ASSERT_NE(Launch(path), nullptr);
    Answer(L"ファイル" + path + L"が見つかりません。\n\n新しく作成しますか？", IDCANCEL);
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_FALSE(FileExists(path));
}

TEST_F(ShellE2E, EachEncodingOpensFromTheCommandLineAndSavesTheSameBytes) {
    for (const Fixture& f : kFixtures) {
        const int le = f.id % 3; // every line ending, spread over the encodings
        const std::wstring name = std::to_wstring(f.id) + L"-" + std::to_wstring(le) + L".txt";
        SCOPED_TRACE(testing::Message() << "fixture " << f.id << "-" << le);
        const std::wstring path = m_dir.File(name);
        const std::vector<unsigned char> original = ReadAllBytes(TestDataPath(L"roundtrip\\" + name));
        WriteAllBytes(path, original);

        ASSERT_NE(Launch(path), nullptr);
        EXPECT_TRUE(TitleIs(name + L" - Tessarin"));
        const std::wstring expectedPane = std::wstring(L"\t\t") + f.shortName + L" / " + kLineEndingNames[le] + L" ";
        EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(StatusBar(), 1) == expectedPane; }))
            << "pane 1 holds " << testing::PrintToString(StatusPaneText(StatusBar(), 1));
        std::wstring expected = f.source ? FoldToJis(EditorTextOf(f.source))
                                         : EditorTextOf(L"text-full.txt") + EditorTextOf(L"text-unicode-extra.txt");
        const std::wstring shown = WindowText(Edit());
        const size_t diff =
            std::mismatch(shown.begin(), shown.end(), expected.begin(), expected.end()).first - shown.begin();
        EXPECT_TRUE(shown == expected) << "text differs at " << diff << " of " << shown.size() << "/" << expected.size()
                                       << ": U+" << std::hex << (diff < shown.size() ? int(shown[diff]) : -1)
                                       << " for U+" << (diff < expected.size() ? int(expected[diff]) : -1);

        // Save writes the file back as it was read.
        WriteAllBytes(path, std::vector<unsigned char>{'x'});
        ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE));
        EXPECT_TRUE(WaitUntil([&] { return TryReadAllBytes(path) == original; })) << "saved bytes differ";
        ExitDiscarding();
    }
}

TEST_F(ShellE2E, OpeningTheOpenModifiedDocumentAsksAndReloads) {
    const std::wstring path = m_dir.File(L"same.txt");
    WriteText(path, "on disk");
    ASSERT_NE(Launch(path), nullptr);
    ASSERT_TRUE(TitleIs(L"same.txt - Tessarin"));
    ASSERT_TRUE(m_app.TypeText(L"edit "));
    const std::wstring edited = WindowText(Edit());
    ASSERT_NE(edited, L"on disk");

    // Cancel keeps the edits.
    ASSERT_TRUE(m_app.DropFiles({path}));
    Answer(L"same.txt への変更を保存しますか?", IDCANCEL);
    EXPECT_EQ(WindowText(Edit()), edited);

    // No discards them and reads the file again. (The file is not changed from here: the view's
    // watch would ask about that on its own.)
    ASSERT_TRUE(m_app.DropFiles({path}));
    Answer(L"same.txt への変更を保存しますか?", IDNO);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"on disk"; })) << "not reloaded";
    EXPECT_TRUE(TitleIs(L"same.txt - Tessarin"));

    // Unmodified: reloaded without a question.
    ASSERT_TRUE(m_app.DropFiles({path}));
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_NULL, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"on disk"; }));
    EXPECT_TRUE(m_app.HasNoDialog());
    ExitDiscarding();
}

TEST_F(ShellE2E, DroppingTwoFilesOpensBothAndKeepsTheSecond) {
    WriteText(m_dir.File(L"first.txt"), "first");
    WriteText(m_dir.File(L"second.txt"), "second");
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"typed"));
    ASSERT_TRUE(m_app.DropFiles({m_dir.File(L"first.txt"), m_dir.File(L"second.txt")}));
    // One question, for the untitled text: the first file replaced it, the second the first.
    Answer(L"ファイル 無題 の内容は変更されています。\n\n変更を保存しますか？", IDNO);
    EXPECT_TRUE(TitleIs(L"second.txt - Tessarin"));
    EXPECT_EQ(WindowText(Edit()), L"second");
    EXPECT_TRUE(m_app.HasNoDialog());
    ExitDiscarding();
}

TEST_F(ShellE2E, PlacementAndStatusBarSurviveARestart) {
    ASSERT_NE(Launch(), nullptr);
    // First run: (22, 29) and three quarters of the screen.
    RECT rc{};
    ::GetWindowRect(m_hWndMain, &rc);
    RECT desk{};
    ::GetClientRect(::GetDesktopWindow(), &desk);
    EXPECT_EQ(rc.left, 22);
    EXPECT_EQ(rc.top, 29);
    EXPECT_EQ(rc.right - rc.left, desk.right * 3 / 4);
    EXPECT_EQ(rc.bottom - rc.top, desk.bottom * 3 / 4);

    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_STATUS_BAR));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(StatusBar()) != FALSE; }));
    ASSERT_TRUE(::SetWindowPos(m_hWndMain, nullptr, 100, 80, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(::ShowWindowAsync(m_hWndMain, SW_MAXIMIZE));
    ASSERT_TRUE(WaitUntil([&] { return ::IsZoomed(m_hWndMain) != FALSE; }));
    ExitDiscarding();
    EXPECT_EQ(ReadUserDword(L"iWindowPosX"), 100u);
    EXPECT_EQ(ReadUserDword(L"iWindowPosY"), 80u);
    EXPECT_EQ(ReadUserDword(L"iWindowPosDX"), 500u);
    EXPECT_EQ(ReadUserDword(L"iWindowPosDY"), 400u);
    EXPECT_EQ(ReadUserDword(L"StatusBar"), 1u);

    // The maximised window comes back at its restored place, with its status bar.
    ASSERT_NE(Launch(), nullptr);
    EXPECT_FALSE(::IsZoomed(m_hWndMain));
    ::GetWindowRect(m_hWndMain, &rc);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 80);
    EXPECT_EQ(rc.right - rc.left, 500);
    EXPECT_EQ(rc.bottom - rc.top, 400);
    EXPECT_TRUE(::IsWindowVisible(StatusBar()));
    // The status bar sits along the bottom, the text above it.
    RECT rcBar{}, rcEdit{};
    ::GetWindowRect(StatusBar(), &rcBar);
    ::GetWindowRect(Edit(), &rcEdit);
    EXPECT_LE(rcEdit.bottom, rcBar.top);
    ExitDiscarding();
}

// Word wrap chosen in one run, and a font stored by an earlier run, come back in the next run
// and are stored again when it ends.
TEST_F(ShellE2E, WordWrapAndFontSurviveARestart) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_FORMAT_WORD_WRAP));
    ASSERT_TRUE(WaitUntil([&] {
        HWND e = Edit();
        return e && !(::GetWindowLongW(e, GWL_STYLE) & ES_AUTOHSCROLL);
    }));
    ExitDiscarding();
    EXPECT_EQ(ReadUserDword(L"fWrap"), 1u);
    EXPECT_EQ(ReadUserDword(L"iPointSize"), 140u);

    // A bold 9.5-point font, as the font dialog would have stored it.
    ASSERT_TRUE(WriteUserDword(L"lfWeight", 700));
    ASSERT_TRUE(WriteUserDword(L"iPointSize", 95));
    ASSERT_TRUE(WriteUserString(L"lfFaceName", L"MS Gothic"));
    ASSERT_NE(Launch(), nullptr);
    HWND edit = Edit();
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(::GetWindowLongW(edit, GWL_STYLE) & ES_AUTOHSCROLL) << "word wrap is off after the restart";
    ExitDiscarding();
    EXPECT_EQ(ReadUserDword(L"fWrap"), 1u);
    EXPECT_EQ(ReadUserDword(L"lfWeight"), 700u);
    EXPECT_EQ(ReadUserDword(L"iPointSize"), 95u);
    EXPECT_EQ(ReadUserString(L"lfFaceName").value_or(L"").substr(0, 9), L"MS Gothic");
}

TEST_F(ShellE2E, ClosingModifiedAsksAndCancelKeepsRunning) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(m_app.TypeText(L"unsaved"));
    ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
    Answer(L"ファイル 無題 の内容は変更されています。\n\n変更を保存しますか？", IDCANCEL);
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(WindowText(Edit()), L"unsaved");
    ExitDiscarding();
}
