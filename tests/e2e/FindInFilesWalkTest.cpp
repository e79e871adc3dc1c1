// End-to-end checks of what find in files costs and which paths it lists: a run over an empty
// folder ends at once with the window answering throughout, and files whose names Windows cannot
// hold (characters it forbids, bytes that are not UTF-8 on the disk) are listed under paths that
// open them, or as unreadable with the reason.
#include "TessarinApp.h"
#include "UnixShell.h"
#include "res/resource.h"
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace e2e;

namespace {

const std::wstring kDialogCaption = L"ファイルから検索";

} // namespace

class FindInFilesWalkE2E : public TessarinE2E {
protected:
    // Chooses the command, fills in the dialog and presses 検索(&F); returns the tick of the press.
    ULONGLONG StartRun(const std::wstring& strFind, const std::wstring& strFolder, bool bMatchCase) {
        if (!m_app.PostCommand(ID_EDIT_FIND_IN_FILES))
            return 0;
        HWND dlg = m_app.WaitForDialog([](HWND h) { return WindowText(h) == kDialogCaption; });
        if (!dlg || !SetItemText(dlg, 1002, strFind) || !SetItemText(dlg, 1050, L"*") ||
            !SetItemText(dlg, 1051, strFolder) ||
            !SendTimed(::GetDlgItem(dlg, 1004), BM_SETCHECK, bMatchCase ? BST_CHECKED : BST_UNCHECKED, 0) ||
            !WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dlg, IDOK)) != FALSE; }))
            return 0;
        const ULONGLONG nStart = ::GetTickCount64();
        return PressButton(dlg, IDOK) ? nStart : 0;
    }
    std::wstring Results() const { return WindowText(ResultsEdit()); }
};

TEST_F(FindInFilesWalkE2E, ARunOverAnEmptyFolderEndsAtOnceAndTheWindowAnswersThroughout) {
    const std::wstring empty = m_dir.File(L"empty");
    ASSERT_TRUE(::CreateDirectoryW(empty.c_str(), nullptr));
    ASSERT_NE(Launch(), nullptr);
    const std::wstring kNotFound = L"文字列 'needle' が見つかりません。'\r\n";
    for (bool bMatchCase : {false, true}) {
        const ULONGLONG nStart = StartRun(L"needle", empty, bMatchCase);
        ASSERT_NE(nStart, 0u);
        // The window answers a message sent to it while the run goes on, whenever it is sent.
        ULONGLONG nLongestMs = 0;
        ASSERT_TRUE(WaitUntil([&] {
            const ULONGLONG nBefore = ::GetTickCount64();
            DWORD_PTR unused = 0;
            ::SendMessageTimeoutW(m_hWndMain, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &unused);
            nLongestMs = std::max(nLongestMs, ::GetTickCount64() - nBefore);
            return Results().ends_with(kNotFound);
        })) << Results();
        // Closing the dialog cost 2 s here under Wine when its windows were managed with no window
        // manager running; the run itself takes a few milliseconds.
        EXPECT_LT(nLongestMs, 1500u) << "the window did not answer";
        EXPECT_LT(::GetTickCount64() - nStart, 1500u) << "the run took this long";
    }
    ExitDiscarding();
}

TEST_F(FindInFilesWalkE2E, FilesWithNamesWindowsCannotHoldAreListedUnderPathsThatOpenThem) {
    if (!IsWine())
        GTEST_SKIP() << "the names are made on the Unix side";
    const std::wstring root = m_dir.File(L"names");
    ASSERT_TRUE(::CreateDirectoryW(root.c_str(), nullptr));
    const std::string unixRoot = UnixPathOf(root);
    ASSERT_FALSE(unixRoot.empty());
    // Each file holds one line, "needle" and a word of its own. Two names whose bytes are not UTF-8
    // (FF and FE) read the same under Wine (bad\uFFFD.txt); the others hold characters Windows
    // forbids, or end in a space or a dot; one folder's name does too.
    const std::string script = "cd " + ShellQuote(unixRoot) +
                               " && printf 'needle ff' > bad$(printf '\\377').txt"
                               " && printf 'needle fe' > bad$(printf '\\376').txt"
                               " && printf 'needle question' > 'q?.txt'"
                               " && printf 'needle star' > 'star*.txt'"
                               " && printf 'needle angle' > 'lt<gt>.txt'"
                               " && printf 'needle pipe' > 'pipe|.txt'"
                               " && printf 'needle backslash' > 'back\\slash.txt'"
                               " && printf 'needle colon' > 'a:b.txt'"
                               " && printf 'needle space' > 'space.txt '"
                               " && printf 'needle dot' > 'dot.txt.'"
                               " && printf 'needle plain' > 'plain.txt'"
                               " && mkdir 'sub?dir' && printf 'needle inner' > 'sub?dir/inner.txt'"
                               " && mkdir .hidden.txt";
    const std::optional<UnixShellResult> made = RunUnixShell(script);
    ASSERT_TRUE(made && made->status == 0) << (made ? made->output : "not run");
    const std::set<std::wstring> words = {L"ff",        L"fe",    L"question", L"star", L"angle", L"pipe",
                                          L"backslash", L"colon", L"space",    L"dot",  L"plain", L"inner"};

    ASSERT_NE(Launch(), nullptr);
    ASSERT_NE(StartRun(L"needle", root, true), 0u);
    ASSERT_TRUE(WaitUntil([&] { return Results().ends_with(L"個、検索されました。'\r\n"); }, 30000)) << Results();
    const std::vector<std::wstring> lines = SplitLines(Results());
    std::multiset<std::wstring> found;
    std::vector<std::wstring> cannotOpen;
    for (const std::wstring& line : lines) {
        if (line.rfind(L"ファイルが開けません。", 0) == 0) {
            cannotOpen.push_back(line);
            continue;
        }
        const size_t nMark = line.find(L"(1):needle ");
        if (nMark == std::wstring::npos)
            continue;
        // The listed path opens the very file whose line it lists.
        const std::wstring path = line.substr(0, nMark), word = line.substr(nMark + 11);
        const std::vector<unsigned char> bytes = TryReadAllBytes(path);
        EXPECT_EQ(std::wstring(bytes.begin(), bytes.end()), L"needle " + word) << "listed under " << path;
        found.insert(word);
    }
    // Of the two names Wine reads alike, the path opens one (either); the other has no path.
    std::multiset<std::wstring> expected(words.begin(), words.end());
    expected.erase(expected.find(found.count(L"ff") ? L"fe" : L"ff"));
    EXPECT_EQ(found, expected) << Results();
    // The folder whose name Wine shows as hidden is taken for a file; each line says why it is not.
    EXPECT_EQ(std::set<std::wstring>(cannotOpen.begin(), cannotOpen.end()),
              (std::set<std::wstring>{
                  L"ファイルが開けません。'" + root +
                      L"\\bad\uFFFD.txt'（Windows ではこのフォルダーのほかのファイルと同じ名前になります）",
                  L"ファイルが開けません。'" + root + L"\\.hidden.txt'（フォルダーです）"}))
        << Results();
    ExitDiscarding();
}
