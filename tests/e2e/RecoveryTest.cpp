// Recovery of unsaved work, end to end: the real editor is edited through window messages, killed
// with SIGKILL (its Wine process, from a Unix shell) at random moments and started again; what it
// offers is checked against what was typed, and a clean run, a full disk and an unwritable folder
// against what they leave behind.
#include "TessarinApp.h"
#include "TestMain.h"
#include "UnixShell.h"
#include "document/RecoveryFile.h"
#include <commctrl.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <random>
#include <thread>

using namespace e2e;

namespace {
constexpr int kRecoveryList = 1301, kRecoveryRestore = 1302, kRecoveryDiscard = 1303;
constexpr UINT kFileNew = 57600, kFileSave = 57603, kEditUndo = 57643;
constexpr DWORD kSnapshotWaitMs = 15000; // a 2 s pause, then a write, on a loaded machine
constexpr ULONGLONG kEditorPauseMs = 2000; // the pause after which the editor takes a snapshot

// A recovery dialog of the process: the dialog that holds the snapshot list.
HWND WaitForRecoveryDialog(const CTargetProcess& app, DWORD timeoutMs = kTimeoutMs) {
    return app.WaitForDialog([](HWND dlg) { return ::GetDlgItem(dlg, kRecoveryList) != nullptr; }, timeoutMs);
}

int ListCount(HWND dlg) {
    LRESULT n = 0;
    return SendTimed(::GetDlgItem(dlg, kRecoveryList), LVM_GETITEMCOUNT, 0, 0, &n) ? static_cast<int>(n) : -1;
}

std::wstring ListText(const CTargetProcess& app, HWND dlg, int item, int sub) {
    const size_t chars = 1024;
    CRemoteMemory block = app.Alloc(sizeof(LVITEMW) + chars * sizeof(wchar_t));
    LVITEMW lvi{};
    lvi.iSubItem = sub;
    lvi.cchTextMax = static_cast<int>(chars);
    lvi.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(block.Get()) + sizeof(LVITEMW));
    if (!block.Write(&lvi, sizeof(lvi)) ||
        !SendTimed(::GetDlgItem(dlg, kRecoveryList), LVM_GETITEMTEXTW, item, block.AsLParam()))
        return {};
    return block.ReadString(chars, sizeof(LVITEMW));
}

bool SelectListItem(const CTargetProcess& app, HWND dlg, int item) {
    CRemoteMemory block = app.Alloc(sizeof(LVITEMW));
    LVITEMW lvi{};
    lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
    return block.Write(&lvi, sizeof(lvi)) &&
           SendTimed(::GetDlgItem(dlg, kRecoveryList), LVM_SETITEMSTATE, item, block.AsLParam());
}

// A tag for one started editor, passed as a flag the editor ignores ("-e2e<tag>") so that its Wine
// process can be told apart by its command line from the Unix side.
std::wstring NewTag() {
    static int n = 0;
    return L"rec" + std::to_wstring(::GetCurrentProcessId()) + L"x" + std::to_wstring(::GetTickCount64()) + L"x" +
           std::to_wstring(++n);
}

// SIGKILL to the Unix process of the editor started with the tag; the number of processes killed.
// The bracket in the pattern keeps the shell's own command line from matching it.
int SigKill(const std::wstring& tag) {
    std::string narrow(tag.begin(), tag.end());
    auto result = RunUnixShell("n=0; for c in /proc/[0-9]*/cmdline; do p=${c#/proc/}; p=${p%/cmdline}; "
                               "[ $p = $$ ] && continue; if grep -qa -- '-[e]2e" +
                               narrow + "' $c 2>/dev/null; then kill -9 $p && n=$((n+1)); fi; done; echo $n");
    return result ? std::atoi(result->output.c_str()) : -1;
}

// Captions and control texts of the process's dialogs, for a failure message.
std::wstring DescribeDialogs(const CTargetProcess& app) {
    std::wstring out;
    for (HWND dlg : app.TopLevelWindows(L"#32770")) {
        out += L"[" + WindowText(dlg) + L"]";
        for (HWND child : Descendants(dlg))
            out += L" " + WindowClass(child) + L":" + WindowText(child);
        out += L"\n";
    }
    return out;
}

std::string Narrow(const std::wstring& text) {
    std::string out(text.size() * 4, '\0');
    out.resize(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                     static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// Sets a status-bar pane's text from outside (SB_SETTEXTW through the program's memory).
bool SetPaneText(const CTargetProcess& app, HWND bar, int pane, const std::wstring& text) {
    CRemoteMemory block = app.Alloc((text.size() + 1) * sizeof(wchar_t));
    return block.Write(text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
           SendTimed(bar, SB_SETTEXTW, pane, block.AsLParam());
}

// What the edit control holds.
std::wstring EditText(HWND edit) {
    return WindowText(edit);
}
} // namespace

class RecoveryE2E : public TessarinE2E {
protected:
    void SetUp() override {
        TessarinE2E::SetUp();
        if (!IsSkipped() && !IsWine())
            GTEST_SKIP() << "the kills go through Wine's Unix side";
    }

    std::wstring Folder() const { return m_localAppData.Path() + L"\\Tessarin\\Recovery"; }
    std::vector<std::wstring> FolderFiles() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data{};
        CFindHandle h(::FindFirstFileW((Folder() + L"\\*").c_str(), &data));
        if (h)
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    names.push_back(data.cFileName);
            } while (::FindNextFileW(h.Get(), &data));
        return names;
    }
    std::vector<std::wstring> SnapshotFiles() const {
        std::vector<std::wstring> files;
        for (const std::wstring& name : FolderFiles())
            if (name.size() > 4 && name.substr(name.size() - 4) == L".tsr")
                files.push_back(Folder() + L"\\" + name);
        return files;
    }
    // The texts of the whole snapshots in the folder.
    std::vector<std::wstring> SnapshotTexts() const {
        std::vector<std::wstring> texts;
        for (const std::wstring& file : SnapshotFiles()) {
            uint64_t n = 0;
            if (auto snap = RecoveryFormat::Read(file, true, n))
                texts.push_back(snap->strText);
        }
        return texts;
    }
    // Waits until one snapshot in the folder holds exactly `text`.
    bool WaitForSnapshotOf(const std::wstring& text, DWORD timeoutMs = kSnapshotWaitMs) const {
        return WaitUntil(
            [&] {
                auto texts = SnapshotTexts();
                return std::find(texts.begin(), texts.end(), text) != texts.end();
            },
            timeoutMs, 50);
    }

    // Starts the editor with a tag of its own on its command line.
    HWND LaunchTagged(CTargetProcess& app, std::wstring& tag, const std::wstring& args = L"") {
        tag = NewTag();
        if (!app.Start(TessarinExePath(), L"-e2e" + tag + (args.empty() ? L"" : L" " + args), m_dir.Path()))
            return nullptr;
        return app.WaitForMainWindow();
    }
    HWND EditOf(const CTargetProcess& app) const { return app.FindInMain(L"TessarinText", 59648); }

    void KillHard(CTargetProcess& app, const std::wstring& tag) {
        ASSERT_EQ(SigKill(tag), 1);
        ASSERT_TRUE(app.WaitForExit());
    }
};

// Random edits through window messages, SIGKILL at random moments, and a new start each time: the
// start offers the text of the last snapshot the editor completed, whole, and nothing for a
// document that was saved or whose changes were given up. --steps=N runs N rounds (default 4).
TEST_F(RecoveryE2E, RandomKillsOfferTheLastCompletedSnapshot) {
    std::mt19937 rng(g_testRun.seed);
    const int rounds = g_testRun.steps > 0 ? g_testRun.steps : 4;
    const std::wstring file = m_dir.File(L"saved.txt");
    const std::wstring pieces[] = {L"abc", L"あいう", L"漢字", L"x", L"\U0001F600", L"①", L" ", L"\r"};

    // What a start may offer: nothing (when allowed), or one of the texts the document held since
    // the last snapshot that was seen complete (that one included).
    bool bNothingAllowed = true;
    std::vector<std::wstring> candidates;
    std::wstring model;
    int nRestored = 0, nPauses = 0, nSaves = 0, nDiscards = 0, nNewerThanPause = 0;

    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round) + ", seed " + std::to_string(g_testRun.seed));
        CTargetProcess app;
        std::wstring tag;
        bool bWithFile = bNothingAllowed && rng() % 2 == 0;
        if (bWithFile) // a UTF-8 file, which holds whatever is typed: saving asks nothing
            WriteAllBytes(file, {0xEF, 0xBB, 0xBF, 'o', 'k'});
        ASSERT_NE(LaunchTagged(app, tag, bWithFile ? file : L""), nullptr);
        HWND edit = EditOf(app);
        ASSERT_NE(edit, nullptr);

        HWND dlg = WaitForRecoveryDialog(app, candidates.empty() ? 1500 : kTimeoutMs);
        if (candidates.empty()) {
            ASSERT_EQ(dlg, nullptr) << "offered a snapshot of a saved or given-up document";
            model = EditText(edit);
        } else if (!dlg) {
            ASSERT_TRUE(bNothingAllowed) << "the last completed snapshot was not offered";
            model = EditText(edit);
        } else {
            ASSERT_EQ(ListCount(dlg), 1);
            ASSERT_TRUE(PressButton(dlg, kRecoveryRestore));
            ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
            ++nRestored;
            WaitUntil([&] {
                std::wstring text = EditText(edit);
                return std::find(candidates.begin(), candidates.end(), text) != candidates.end();
            });
            model = EditText(edit);
            ASSERT_NE(std::find(candidates.begin(), candidates.end(), model), candidates.end())
                << "the start offered a text that no completed snapshot held";
        }
        // The restored text is this instance's snapshot from the start.
        candidates = {model};
        bNothingAllowed = SnapshotTexts().empty();
        if (!bNothingAllowed) {
            ASSERT_EQ(SnapshotTexts(), std::vector<std::wstring>{model});
        }

        const int bursts = 3 + static_cast<int>(rng() % 6);
        for (int b = 0; b < bursts; ++b) {
            int len = static_cast<int>(model.size());
            int start = len ? static_cast<int>(rng() % (len + 1)) : 0;
            // Never inside a surrogate pair or a CR LF.
            while (start > 0 && start < len &&
                   (IS_LOW_SURROGATE(model[start]) || (model[start] == L'\n' && model[start - 1] == L'\r')))
                --start;
            ASSERT_TRUE(SendTimed(edit, EM_SETSEL, start, start));
            if (rng() % 4 == 0 && start > 0) {
                // Backspace: one character (a pair or a line break) goes.
                ASSERT_TRUE(SendTimed(edit, WM_CHAR, VK_BACK, 0));
                int from = start - 1;
                if (IS_LOW_SURROGATE(model[from]) && from > 0)
                    --from;
                else if (model[from] == L'\n' && from > 0 && model[from - 1] == L'\r')
                    --from;
                model.erase(from, start - from);
                candidates.push_back(model);
            } else {
                const std::wstring& piece = pieces[rng() % std::size(pieces)];
                size_t at = static_cast<size_t>(start);
                for (size_t i = 0; i < piece.size(); ++i) {
                    ASSERT_TRUE(SendTimed(edit, WM_CHAR, piece[i], 0));
                    if (piece[i] == L'\r') {
                        model.insert(at, L"\r\n");
                        at += 2;
                    } else {
                        model.insert(at++, 1, piece[i]);
                    }
                    candidates.push_back(model);
                }
            }
            ASSERT_EQ(EditText(edit), model);
            switch (rng() % 6) {
            case 0: // a pause: the snapshot of this text must come, and it is now the one to offer
                ASSERT_TRUE(WaitForSnapshotOf(model));
                candidates = {model};
                bNothingAllowed = false;
                ++nPauses;
                break;
            case 1:
                if (bWithFile) { // saved: nothing to offer until the next change
                    ASSERT_TRUE(app.PostCommand(kFileSave));
                    std::vector<unsigned char> expected = {0xEF, 0xBB, 0xBF};
                    std::string utf8(model.size() * 4, '\0');
                    utf8.resize(::WideCharToMultiByte(CP_UTF8, 0, model.c_str(), static_cast<int>(model.size()),
                                                      utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
                    expected.insert(expected.end(), utf8.begin(), utf8.end());
                    WaitUntil([&] { return ReadAllBytes(file) == expected; });
                    ASSERT_TRUE(app.HasNoDialog()) << Narrow(DescribeDialogs(app));
                    ASSERT_EQ(ReadAllBytes(file), expected);
                    ASSERT_TRUE(WaitUntil([&] { return SnapshotFiles().empty(); }));
                    candidates = {model};
                    bNothingAllowed = true;
                    ++nSaves;
                }
                break;
            case 2: { // New, answering "don't save": the snapshot goes with the changes
                if (rng() % 2)
                    break;
                ASSERT_TRUE(app.PostCommand(kFileNew));
                HWND box = app.WaitForMessageBox();
                ASSERT_NE(box, nullptr);
                ASSERT_TRUE(PressButton(box, IDNO));
                ASSERT_TRUE(WaitUntil([&] { return EditText(edit).empty() && app.HasNoDialog(); }));
                ASSERT_TRUE(WaitUntil([&] { return SnapshotFiles().empty(); }));
                model.clear();
                candidates = {model};
                bNothingAllowed = true;
                bWithFile = false; // untitled now: a save would ask for a name
                ++nDiscards;
                break;
            }
            default: // typing goes on at once, or after a short hesitation
                if (rng() % 2)
                    ::Sleep(rng() % 400); // the random moment is what the test is about
                break;
            }
        }
        // Killed at a random moment: while typing would go on, during the pause, or while the
        // snapshot is being written.
        ::Sleep(rng() % 3000);
        KillHard(app, tag);
        // A snapshot on disk is always whole (the temporary file of a write cut short is not one);
        // the next start must offer exactly the newest one the editor finished.
        auto texts = SnapshotTexts();
        ASSERT_EQ(texts.size(), SnapshotFiles().size()) << "a torn snapshot";
        ASSERT_LE(texts.size(), 1u);
        if (!texts.empty()) {
            ASSERT_NE(std::find(candidates.begin(), candidates.end(), texts.front()), candidates.end());
            if (texts.front() != candidates.front())
                ++nNewerThanPause;
            candidates = {texts.front()}; // exactly this must be offered now
            bNothingAllowed = false;
        } else {
            ASSERT_TRUE(bNothingAllowed) << "the last completed snapshot is gone";
            candidates.clear();
        }
    }
    // Clean up as a user would: restore the last one and give it up on exit.
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag), nullptr);
    if (HWND dlg = WaitForRecoveryDialog(app, candidates.empty() ? 1500 : kTimeoutMs)) {
        ASSERT_TRUE(PressButton(dlg, kRecoveryRestore));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
        ASSERT_EQ(EditText(EditOf(app)), candidates.front());
    }
    ASSERT_TRUE(app.PostCommand(ID_APP_EXIT));
    if (HWND box = app.WaitForMessageBox(3000)) {
        ASSERT_TRUE(PressButton(box, IDNO));
    }
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_TRUE(FolderFiles().empty());
    std::printf("%d rounds: %d restores, %d pauses waited for, %d snapshots taken after the last of them, "
                "%d saves, %d changes given up\n",
                rounds, nRestored, nPauses, nNewerThanPause, nSaves, nDiscards);
}

// A kill while a snapshot is being written: the snapshot before it is offered, whole, and the torn
// temporary file is cleared away. A Unix shell that waits for the temporary file kills the editor
// the moment the write has begun.
TEST_F(RecoveryE2E, KillDuringTheWriteOffersThePreviousSnapshot) {
    std::string lines;
    for (int i = 0; i < 100000; ++i)
        lines += "line " + std::to_string(i) + std::string(93 - std::to_string(i).size(), '.') + "\r\n";
    const std::wstring file = m_dir.File(L"big.txt");
    WriteAllBytes(file, std::vector<unsigned char>(lines.begin(), lines.end()));
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag, file), nullptr);
    HWND edit = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            edit = EditOf(app);
            LRESULT n = 0;
            return edit && SendTimed(edit, WM_GETTEXTLENGTH, 0, 0, &n) && n == static_cast<LRESULT>(lines.size());
        },
        60000));
    ASSERT_TRUE(SendTimed(edit, EM_SETSEL, 0, 0));
    ASSERT_TRUE(app.TypeText(L"A"));
    std::wstring first = L"A" + std::wstring(lines.begin(), lines.end()); // becomes the last whole one
    ASSERT_TRUE(WaitForSnapshotOf(first, 30000));

    const std::string dir = UnixPathOf(Folder());
    std::string narrow(tag.begin(), tag.end());
    CTempDir work;
    const std::wstring ready = work.File(L"ready");
    const std::string readyUnix = UnixPathOf(ready);
    std::optional<UnixShellResult> watch;
    std::atomic<bool> bWatchDone{false};
    std::thread watcher([&] {
        // (No "exit" in the script: the shell's wrapper writes the status after it.)
        watch = RunUnixShell("for c in /proc/[0-9]*/cmdline; do p=${c#/proc/}; p=${p%/cmdline}; [ $p = $$ ] && continue; "
                             "grep -qa -- '-[e]2e" + narrow + "' $c 2>/dev/null && pid=$p; done; : > " +
                             ShellQuote(readyUnix) + "; r=miss; s=$(date +%s); while [ $r = miss ] && "
                             "[ $(( $(date +%s) - s )) -lt 14 ]; do i=0; while [ $i -lt 2000 ] && [ $r = miss ]; do "
                             "for f in " + ShellQuote(dir) + "/*.tmp; do if [ -e $f ]; then kill -9 $pid; r=hit; fi; "
                             "done; i=$((i+1)); done; done; echo $r");
        bWatchDone = true;
    });
    bool bReady = WaitUntil([&] { return ::GetFileAttributesW(ready.c_str()) != INVALID_FILE_ATTRIBUTES; });
    // Each character typed starts a snapshot after the pause; the one whose write the watcher
    // catches is cut short, and the one before it is what the next start must offer. Should a
    // write slip past the watcher, that snapshot is the previous one for the next character.
    std::wstring previous = first;
    for (int attempt = 0; bReady && !bWatchDone && attempt < 4; ++attempt) {
        // No assertion before the join: the watcher thread must be joined first.
        if (!SendTimed(edit, EM_SETSEL, 0, 0) || !app.TypeText(L"B", edit))
            break; // killed meanwhile
        std::wstring current = L"B" + previous;
        WaitUntil([&] { return bWatchDone || SnapshotTexts() == std::vector<std::wstring>{current}; }, kSnapshotWaitMs);
        if (!bWatchDone)
            previous = current;
    }
    watcher.join();
    first = previous;
    ASSERT_TRUE(bReady);
    ASSERT_TRUE(watch.has_value()) << "the watching shell did not finish";
    ASSERT_EQ(watch->output, "hit\n");
    ASSERT_TRUE(app.WaitForExit());
    auto files = FolderFiles();
    EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const std::wstring& f) { return f.ends_with(L".tmp"); }), 1)
        << "the kill came before or after the write, not during it";

    CTargetProcess next;
    ASSERT_NE(LaunchTagged(next, tag), nullptr);
    HWND dlg = WaitForRecoveryDialog(next);
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(ListCount(dlg), 1);
    EXPECT_EQ(ListText(next, dlg, 0, 0), file);
    ASSERT_TRUE(PressButton(dlg, kRecoveryRestore));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(next.MainWindow()) == L"big.txt - Tessarin"; }));
    EXPECT_TRUE(EditText(EditOf(next)) == first) << "the restored text is not the previous snapshot";
    for (const std::wstring& name : FolderFiles())
        EXPECT_EQ(name.find(L".tmp"), std::wstring::npos) << "a torn temporary file stayed";
    next.PostCommand(ID_APP_EXIT);
    HWND box = next.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(next.WaitForExit(30000));
    EXPECT_TRUE(FolderFiles().empty());
}

// Two instances keep their snapshots apart; a start while one runs offers nothing of it. After
// both are killed the next start lists both and restores one; the start after it offers the
// other, which Later keeps and Discard (after its question) removes.
TEST_F(RecoveryE2E, TwoInstancesKeepTheirSnapshotsApart) {
    CTargetProcess a, b;
    std::wstring tagA, tagB;
    ASSERT_NE(LaunchTagged(a, tagA), nullptr);
    ASSERT_TRUE(a.TypeText(L"alpha α", EditOf(a)));
    ASSERT_TRUE(WaitForSnapshotOf(L"alpha α"));
    ASSERT_NE(LaunchTagged(b, tagB), nullptr);
    EXPECT_EQ(WaitForRecoveryDialog(b, 1500), nullptr) << "offered the snapshot of a running instance";
    ASSERT_TRUE(b.TypeText(L"beta β", EditOf(b)));
    ASSERT_TRUE(WaitForSnapshotOf(L"beta β"));
    EXPECT_EQ(SnapshotFiles().size(), 2u);
    KillHard(a, tagA);
    KillHard(b, tagB);

    CTargetProcess c;
    std::wstring tagC;
    ASSERT_NE(LaunchTagged(c, tagC), nullptr);
    HWND dlg = WaitForRecoveryDialog(c);
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(ListCount(dlg), 2);
    EXPECT_EQ(ListText(c, dlg, 0, 0), L"無題");
    EXPECT_NE(ListText(c, dlg, 0, 2).find(L"文字"), std::wstring::npos);
    ASSERT_TRUE(SelectListItem(c, dlg, 1));
    ASSERT_TRUE(PressButton(dlg, kRecoveryRestore));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(WaitUntil([&] { return !EditText(EditOf(c)).empty(); }));
    const std::wstring restored = EditText(EditOf(c));
    ASSERT_TRUE(restored == L"alpha α" || restored == L"beta β");
    const std::wstring other = restored == L"alpha α" ? L"beta β" : L"alpha α";

    CTargetProcess d;
    std::wstring tagD;
    ASSERT_NE(LaunchTagged(d, tagD), nullptr);
    dlg = WaitForRecoveryDialog(d);
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(ListCount(dlg), 1);
    ASSERT_TRUE(PressButton(dlg, IDCANCEL)); // later
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(d.Close());
    EXPECT_EQ(SnapshotTexts().size(), 2u); // c's own (the restored one) and the other, kept

    ASSERT_NE(LaunchTagged(d, tagD), nullptr);
    dlg = WaitForRecoveryDialog(d);
    ASSERT_NE(dlg, nullptr);
    ASSERT_EQ(ListCount(dlg), 1);
    ASSERT_TRUE(PressButton(dlg, kRecoveryDiscard));
    HWND box = d.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDYES));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    EXPECT_TRUE(EditText(EditOf(d)).empty());
    EXPECT_EQ(SnapshotTexts(), std::vector<std::wstring>{restored});
    ASSERT_TRUE(d.Close());

    ASSERT_TRUE(c.PostCommand(ID_APP_EXIT));
    box = c.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(c.WaitForExit());
    EXPECT_TRUE(FolderFiles().empty());
    (void)other;
}

// A character that the file's encoding cannot hold, typed since the file was opened, comes back
// with the restored text; the file stays untouched, and saving asks as any save would.
TEST_F(RecoveryE2E, RestoresACharacterTheEncodingCannotHold) {
    const std::wstring file = m_dir.File(L"sjis.txt");
    const std::vector<unsigned char> bytes = {'a', 'b', 0x82, 0xA0}; // "abあ" in Shift_JIS
    WriteAllBytes(file, bytes);
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag, file), nullptr);
    HWND edit = EditOf(app);
    ASSERT_TRUE(SendTimed(edit, EM_SETSEL, 3, 3));
    ASSERT_TRUE(app.TypeText(L"\U0001F600", edit));
    ASSERT_TRUE(WaitForSnapshotOf(L"abあ\U0001F600"));
    KillHard(app, tag);

    CTargetProcess next;
    ASSERT_NE(LaunchTagged(next, tag), nullptr);
    HWND dlg = WaitForRecoveryDialog(next);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(ListText(next, dlg, 0, 0), file);
    ASSERT_TRUE(PressButton(dlg, kRecoveryRestore));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(next.MainWindow()) == L"sjis.txt - Tessarin"; }));
    EXPECT_EQ(EditText(EditOf(next)), L"abあ\U0001F600");
    EXPECT_EQ(EditSelection(EditOf(next)), std::make_pair(5L, 5L)); // the caret where it was
    HWND bar = next.FindInMain(L"msctls_statusbar32");
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 1) == L"\t\tSJIS / CRLF "; }));
    EXPECT_EQ(ReadAllBytes(file), bytes);
    // Saving asks before it would leave the character out; No writes nothing.
    ASSERT_TRUE(next.PostCommand(kFileSave));
    HWND box = next.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    EXPECT_EQ(ReadAllBytes(file), bytes);
    EXPECT_EQ(SnapshotTexts(), std::vector<std::wstring>{L"abあ\U0001F600"});
    ASSERT_TRUE(next.PostCommand(ID_APP_EXIT));
    box = next.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(next.WaitForExit());
    EXPECT_TRUE(FolderFiles().empty());
}

// Undo back to the saved text removes the snapshot; a clean exit leaves nothing in the folder.
TEST_F(RecoveryE2E, CleanRunsLeaveNoFileBehind) {
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag), nullptr);
    HWND edit = EditOf(app);
    ASSERT_TRUE(app.TypeText(L"x", edit));
    ASSERT_TRUE(WaitForSnapshotOf(L"x"));
    ASSERT_TRUE(app.PostCommand(kEditUndo));
    ASSERT_TRUE(WaitUntil([&] { return SnapshotFiles().empty(); }));
    ASSERT_TRUE(app.TypeText(L"yz", edit));
    ASSERT_TRUE(WaitForSnapshotOf(L"yz"));
    ASSERT_TRUE(app.PostCommand(ID_APP_EXIT));
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_EQ(app.ExitCode(), 0u);
    EXPECT_TRUE(FolderFiles().empty());
}

namespace {
// Types, waits for the status-bar line, and checks that it is the only thing that happened: no box,
// and no second line when typing pauses again.
void ExpectOneStatusLine(CTargetProcess& app, const std::wstring& expected) {
    HWND edit = app.FindInMain(L"TessarinText", 59648);
    HWND bar = app.FindInMain(L"msctls_statusbar32");
    ASSERT_TRUE(app.TypeText(L"x", edit));
    ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(bar, 0) == expected; }, kSnapshotWaitMs));
    EXPECT_TRUE(app.HasNoDialog());
    ASSERT_TRUE(SetPaneText(app, bar, 0, L"marker"));
    ASSERT_TRUE(app.TypeText(L"y", edit));
    // A bounded look for what must not happen: the next pause (2 s) tries again, silently.
    EXPECT_FALSE(WaitUntil([&] { return StatusPaneText(bar, 0) != L"marker"; }, 4000));
    EXPECT_TRUE(app.HasNoDialog());
    EXPECT_EQ(WindowText(edit), L"xy");
}
} // namespace

TEST_F(RecoveryE2E, UnwritableFolderCostsOneStatusLine) {
    // A file where the folder should be: the folder cannot be made.
    ASSERT_TRUE(::CreateDirectoryW((m_localAppData.Path() + L"\\Tessarin").c_str(), nullptr));
    WriteAllBytes(Folder(), {'x'});
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag), nullptr);
    ExpectOneStatusLine(app, L"復元用のデータを保存するフォルダーに書き込めません。");
    ASSERT_TRUE(app.PostCommand(ID_APP_EXIT));
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(app.WaitForExit());
}

TEST_F(RecoveryE2E, FullDiskCostsOneStatusLine) {
    const std::wstring smallFs = SmallFileSystemFolder();
    if (smallFs.empty())
        GTEST_SKIP() << "no small file system (scripts/test mounts one as root: TESSARIN_SMALL_FS)";
    const std::wstring base = smallFs + L"\\recovery-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(base.c_str(), nullptr));
    {
        CEnvironmentOverride env(L"LOCALAPPDATA", base);
        CTargetProcess app;
        std::wstring tag;
        ASSERT_NE(LaunchTagged(app, tag), nullptr);
        ExpectOneStatusLine(app, L"ディスクの空き容量が足りないため、復元用のデータを保存できません。");
        ASSERT_TRUE(app.PostCommand(ID_APP_EXIT));
        HWND box = app.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(PressButton(box, IDNO));
        ASSERT_TRUE(app.WaitForExit());
    }
    const std::wstring folder = base + L"\\Tessarin\\Recovery";
    WIN32_FIND_DATAW data{};
    CFindHandle h(::FindFirstFileW((folder + L"\\*.*").c_str(), &data));
    int files = 0;
    if (h)
        do {
            files += !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        } while (::FindNextFileW(h.Get(), &data));
    h.Close();
    EXPECT_EQ(files, 0);
    ::RemoveDirectoryW(folder.c_str());
    ::RemoveDirectoryW((base + L"\\Tessarin").c_str());
    ::RemoveDirectoryW(base.c_str());
}

// Changes that keep coming (a character every half second, never the 2 s pause) are written
// within 30 s of the first one.
TEST_F(RecoveryE2E, ChangesThatKeepComingAreWrittenWithin30Seconds) {
    CTargetProcess app;
    std::wstring tag;
    ASSERT_NE(LaunchTagged(app, tag), nullptr);
    HWND edit = EditOf(app);
    std::wstring typed;
    const ULONGLONG start = ::GetTickCount64();
    ULONGLONG last = start, longestGap = 0;
    bool bSeen = false;
    while (!bSeen && ::GetTickCount64() - start < 45000) {
        ASSERT_TRUE(app.TypeText(L"k", edit));
        typed += L"k";
        ULONGLONG now = ::GetTickCount64();
        longestGap = std::max(longestGap, now - last);
        last = now;
        bSeen = WaitUntil([&] { return !SnapshotFiles().empty(); }, 500, 50);
    }
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    ASSERT_TRUE(bSeen);
    // Earlier only when the machine held the typing up for a pause of its own.
    if (longestGap < kEditorPauseMs) {
        EXPECT_GE(elapsed, 29000u);
    }
    EXPECT_LE(elapsed, 36000u);
    auto texts = SnapshotTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(!texts[0].empty() && typed.starts_with(texts[0]));
    ASSERT_TRUE(app.PostCommand(ID_APP_EXIT));
    HWND box = app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(app.WaitForExit());
    EXPECT_TRUE(FolderFiles().empty());
}
