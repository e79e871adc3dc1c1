// End-to-end checks of find in files on the built editor: a run over a generated tree filling the
// results pane, a double click and Enter on a hit opening its file at its line, the stop command
// in the middle of a run, a hit opened while the run goes on, closing the window during a run, and
// the pane shown and hidden by its command and its close button, starting hidden and docked at the
// bottom after a restart, and the pane dragged by its gripper to the other sides of the window, out
// to float and docked again.
#include "TessarinApp.h"
#include "res/resource.h"
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace e2e;

namespace {

const std::wstring kDialogCaption = L"ファイルから検索";
const std::wstring kEndSuffix = L"個、検索されました。'\r\n";
const std::wstring kCancelled = L"取り消されました。'\r\n";
// The walk with nothing to find: about 0.1 ms for each folder and file type under Wine.
constexpr int kQuietFolders = 60;
constexpr int kQuietTypes = 1000;

std::vector<unsigned char> Ascii(const std::string& s) {
    return {s.begin(), s.end()};
}

RECT ScreenRect(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

// A screen point as the client-relative lParam of a mouse message to `hwnd`.
LPARAM ClientParam(HWND hwnd, POINT pt) {
    ::ScreenToClient(hwnd, &pt);
    return MAKELPARAM(pt.x, pt.y);
}

// WM_NCHITTEST at a screen point; -1 when the window does not answer.
LRESULT HitTest(HWND hwnd, POINT pt) {
    LRESULT ht = -1;
    SendTimed(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y), &ht);
    return ht;
}

enum class Side { Left, Top, Right, Bottom };

// Presses the left button at ptFrom on `bar`, moves in four steps to ptTo and lets go there, as the
// messages of a real drag arrive at the window that holds the capture. Sent rather than injected:
// the bar's drag reads only the points of its own mouse messages (not the button state), and sent
// messages are handled before this returns, so no step can overtake the capture taken on the press.
bool DragBar(HWND bar, POINT ptFrom, POINT ptTo) {
    if (!SendTimed(bar, WM_LBUTTONDOWN, MK_LBUTTON, ClientParam(bar, ptFrom)))
        return false;
    for (int i = 1; i <= 4; ++i) {
        POINT pt{ptFrom.x + (ptTo.x - ptFrom.x) * i / 4, ptFrom.y + (ptTo.y - ptFrom.y) * i / 4};
        if (!SendTimed(bar, WM_MOUSEMOVE, MK_LBUTTON, ClientParam(bar, pt)))
            return false;
    }
    return SendTimed(bar, WM_LBUTTONUP, 0, ClientParam(bar, ptTo));
}

} // namespace

class FindInFilesE2E : public TessarinE2E {
protected:
    // Chooses the command, fills in the dialog and presses 検索(&F).
    void StartRun(const std::wstring& strFind, const std::wstring& strFolder, const std::wstring& strTypes = L"*.txt") {
        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND_IN_FILES));
        HWND dlg = m_app.WaitForDialog([](HWND h) { return WindowText(h) == kDialogCaption; });
        ASSERT_NE(dlg, nullptr);
        ASSERT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, IDOK)) && WindowText(::GetDlgItem(dlg, 1002)).empty())
            << "検索(&F) waits for a search text";
        ASSERT_TRUE(SetItemText(dlg, 1002, strFind));
        ASSERT_TRUE(SetItemText(dlg, 1050, strTypes));
        ASSERT_TRUE(SetItemText(dlg, 1051, strFolder));
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(dlg, IDOK)) != FALSE; }));
        ASSERT_TRUE(PressButton(dlg, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    }

    std::wstring Results() const { return WindowText(ResultsEdit()); }

    // Puts the pane's caret at the start of line nLine (0-based).
    void CaretToResultLine(int nLine) {
        LRESULT nIndex = 0;
        ASSERT_TRUE(SendTimed(ResultsEdit(), EM_LINEINDEX, nLine, 0, &nIndex));
        ASSERT_TRUE(SendTimed(ResultsEdit(), EM_SETSEL, nIndex, nIndex));
    }

    // The view's caret is at the start of line nLine (1-based) of the file named in the title.
    bool ViewCaretAtLine(const std::wstring& strName, int nLine) {
        return WaitUntil([&] {
            if (WindowText(m_hWndMain) != strName + L" - Tessarin")
                return false;
            LRESULT nIndex = -2;
            SendTimed(Edit(), EM_LINEINDEX, nLine - 1, 0, &nIndex);
            auto sel = EditSelection(Edit());
            return sel.first == nIndex && sel.second == nIndex;
        });
    }

    // A tree of files in three encodings; "needle" on known lines. Returns the expected hit lines.
    std::vector<std::wstring> MakeTree(const std::wstring& root, int nFiles, int nLines) {
        std::vector<std::wstring> hits;
        ::CreateDirectoryW(root.c_str(), nullptr);
        ::CreateDirectoryW((root + L"\\sub").c_str(), nullptr);
        for (int f = 0; f < nFiles; ++f) {
            std::wstring folder = root + (f % 2 ? L"\\sub\\" : L"\\");
            std::wstring name = L"f" + std::to_wstring(f) + L".txt";
            std::string text;
            for (int n = 1; n <= nLines; ++n) {
                if (n % 7 == f % 7) {
                    text += "a needle " + std::to_string(n);
                    hits.push_back(folder + name + L"(" + std::to_wstring(n) + L"):a needle " + std::to_wstring(n));
                } else {
                    text += "hay " + std::to_string(n);
                }
                text += f % 3 == 0 ? "\r\n" : f % 3 == 1 ? "\n" : "\r";
            }
            WriteAllBytes(folder + name, Ascii(text));
        }
        return hits;
    }
};

TEST_F(FindInFilesE2E, RunFillsThePaneAndAHitOpensAtItsLineByDoubleClickAndEnter) {
    const std::wstring root = m_dir.File(L"tree");
    std::vector<std::wstring> expected = MakeTree(root, 12, 40);
    // A Shift_JIS file with its hit on line 3.
    WriteAllBytes(root + L"\\sub\\sjis.txt",
                  {'x', '\r', '\n', 'y', '\r', '\n', 0x8A, 0xBF, 'n', 'e', 'e', 'd', 'l', 'e'});
    expected.push_back(root + L"\\sub\\sjis.txt(3):漢needle");
    ASSERT_NE(Launch(), nullptr);
    ASSERT_FALSE(::IsWindowVisible(ResultsPane())) << "the pane starts hidden";

    StartRun(L"needle", root);
    ASSERT_TRUE(WaitUntil([&] { return Results().ends_with(kEndSuffix); }, 30000)) << Results();
    EXPECT_TRUE(::IsWindowVisible(ResultsPane()));
    std::vector<std::wstring> lines = SplitLines(Results());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), L"'needle'を検索中...");
    EXPECT_EQ(lines.back(), std::to_wstring(expected.size()) + L" 個、検索されました。'");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(lines[lines.size() - 2].starts_with(L"ファイル ")) << "the account of the files before the end line";
    std::vector<std::wstring> hits(lines.begin() + 1, lines.end() - 2);
    // Breadth first: the folder's own files before those of its subfolder.
    for (size_t i = 1; i < hits.size(); ++i)
        EXPECT_FALSE(hits[i - 1].find(L"\\sub\\") != std::wstring::npos &&
                     hits[i].find(L"\\sub\\") == std::wstring::npos);
    std::sort(hits.begin(), hits.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(hits, expected);

    // Double click on the Shift_JIS hit: the file opens with the caret at the start of line 3.
    const std::wstring before = Results();
    lines = SplitLines(before);
    int nSjis =
        static_cast<int>(std::find(lines.begin(), lines.end(), root + L"\\sub\\sjis.txt(3):漢needle") - lines.begin());
    ASSERT_LT(nSjis, static_cast<int>(lines.size()));
    CaretToResultLine(nSjis);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)));
    EXPECT_TRUE(ViewCaretAtLine(L"sjis.txt", 3));

    // Enter on another hit: that file at its line; the pane's text is unchanged.
    int nOther = 5;
    std::wstring path;
    const std::wstring& other = lines[nOther];
    size_t paren = other.find(L'(');
    ASSERT_NE(paren, std::wstring::npos);
    int nLine = _wtoi(other.c_str() + paren + 1);
    std::wstring name = other.substr(0, paren);
    name = name.substr(name.rfind(L'\\') + 1);
    CaretToResultLine(nOther);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_CHAR, VK_RETURN, 1));
    EXPECT_TRUE(ViewCaretAtLine(name, nLine));
    // Typing and Delete change nothing either.
    ASSERT_TRUE(m_app.TypeText(L"zz\b", ResultsEdit()));
    ASSERT_TRUE(SendTimed(ResultsEdit(), WM_KEYDOWN, VK_DELETE, 0));
    ASSERT_TRUE(SendTimed(ResultsEdit(), WM_PASTE, 0, 0));
    EXPECT_EQ(Results(), before);

    // The start line is no hit: nothing opens.
    CaretToResultLine(0);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_CHAR, VK_RETURN, 1));
    ASSERT_TRUE(SendTimed(ResultsEdit(), WM_NULL, 0, 0));
    EXPECT_EQ(WindowText(m_hWndMain), name + L" - Tessarin");
    ExitDiscarding();
}

TEST_F(FindInFilesE2E, TheMenuCommandStopsARunningSearchAndCloseWaitsForIt) {
    // 114,000 hit lines, then a walk of some seconds that finds no other file (empty folders
    // after the others, each looked through for many file types): the run goes on while the test
    // stops it, however fast the hits are listed.
    const std::wstring root = m_dir.File(L"big");
    MakeTree(root, 400, 2000);
    for (int f = 0; f < kQuietFolders; ++f)
        ::CreateDirectoryW((root + L"\\zz" + std::to_wstring(f)).c_str(), nullptr);
    std::wstring types = L"*.txt";
    for (int t = 0; t < kQuietTypes; ++t)
        types += L";*.n" + std::to_wstring(t);
    ASSERT_NE(Launch(), nullptr);

    StartRun(L"needle", root, types);
    ASSERT_TRUE(WaitUntil([&] { return Results().find(L"(") != std::wstring::npos; }, 30000)) << "a first hit shows";
    ASSERT_FALSE(Results().ends_with(kEndSuffix)) << "the run is still going";
    // The same command, chosen during the run, stops it: no dialog, the end line says so.
    ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND_IN_FILES));
    ASSERT_TRUE(WaitUntil([&] { return Results().ends_with(kCancelled); }, 30000))
        << Results().substr(Results().size() - 200);
    EXPECT_TRUE(m_app.HasNoDialog());

    // A second run, with the document changed, then the window closed during it: the run stops
    // and writes its end line before the close asks about the changes; the program then ends
    // cleanly instead of touching destroyed windows.
    ASSERT_TRUE(m_app.TypeText(L"x", Edit()));
    StartRun(L"needle", root, types);
    ASSERT_TRUE(WaitUntil([&] { return Results().find(L"(") != std::wstring::npos; }, 30000));
    ASSERT_FALSE(Results().ends_with(kCancelled));
    ASSERT_TRUE(::PostMessageW(m_hWndMain, WM_CLOSE, 0, 0));
    HWND box = m_app.WaitForMessageBox(30000);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(Results().ends_with(kCancelled)) << "the run ended before the save question";
    ASSERT_TRUE(PressButton(box, IDNO));
    ASSERT_TRUE(m_app.WaitForExit(30000));
    EXPECT_EQ(m_app.ExitCode(), 0u);
}

TEST_F(FindInFilesE2E, AHitDoubleClickedDuringARunOpensWhileTheRunGoesOn) {
    // Five hits in the one file of the folder, then a walk of some seconds that finds no other
    // file (empty subfolders, each looked through for many file types): the pane, whose every
    // append puts its caret at the end, keeps still meanwhile, and the window keeps answering.
    const std::wstring root = m_dir.File(L"quiet");
    ::CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring hits = root + L"\\hits.txt";
    WriteAllBytes(hits, Ascii("needle 1\r\nneedle 2\r\nneedle 3\r\nneedle 4\r\nneedle 5\r\n"));
    std::vector<std::wstring> folders;
    for (int f = 0; f < kQuietFolders; ++f) {
        folders.push_back(root + L"\\d" + std::to_wstring(f));
        ::CreateDirectoryW(folders.back().c_str(), nullptr);
    }
    struct CRemoveTree {
        const std::wstring& hits;
        const std::vector<std::wstring>& folders;
        const std::wstring& root;
        ~CRemoveTree() {
            ::DeleteFileW(hits.c_str());
            for (const std::wstring& folder : folders)
                ::RemoveDirectoryW(folder.c_str());
            ::RemoveDirectoryW(root.c_str());
        }
    } removeTree{hits, folders, root};
    std::wstring types = L"*.txt";
    for (int t = 0; t < kQuietTypes; ++t)
        types += L";*.n" + std::to_wstring(t);
    ASSERT_NE(Launch(), nullptr);
    // Edited, so that opening another file asks first: while the question is up the run waits
    // under it, which shows that the double click came during the run.
    ASSERT_TRUE(m_app.TypeText(L"x", Edit()));

    StartRun(L"needle", root, types);
    ASSERT_TRUE(WaitUntil([&] { return SplitLines(Results()).size() >= 6; }, 30000)) << "the five hits show";
    ASSERT_EQ(SplitLines(Results()).size(), 6u) << "the run is still going";
    ASSERT_EQ(SplitLines(Results())[3], hits + L"(3):needle 3");
    CaretToResultLine(3);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)));
    HWND box = m_app.WaitForMessageBox(30000);
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(SplitLines(Results()).size(), 6u) << "the run ended before the double click";
    ASSERT_TRUE(PressButton(box, IDNO));
    EXPECT_TRUE(ViewCaretAtLine(L"hits.txt", 3));

    // The run goes on to its end and counts every hit.
    ASSERT_TRUE(WaitUntil([&] { return SplitLines(Results()).size() > 6; }, 120000));
    EXPECT_EQ(SplitLines(Results()).back(), L"5 個、検索されました。'");
    ASSERT_TRUE(m_app.Close());
}

TEST_F(FindInFilesE2E, PaneShownAndHiddenByItsCommandAndCloseButtonAndDockedAtTheBottomAfterARestart) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_NE(Launch(), nullptr);
        HWND pane = ResultsPane();
        ASSERT_NE(pane, nullptr);
        EXPECT_FALSE(::IsWindowVisible(pane)) << "hidden at every start";
        ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }));
        // Docked along the bottom of the frame's client area, the full width.
        RECT rcPane{}, rcView{};
        EXPECT_TRUE(WaitUntil([&] {
            ::GetWindowRect(pane, &rcPane);
            ::GetWindowRect(Edit(), &rcView);
            return rcPane.top >= rcView.bottom - 1 && rcPane.right - rcPane.left >= rcView.right - rcView.left;
        })) << rcPane.top
            << " " << rcView.bottom;
        // The command again hides it.
        ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(pane); }));
        // Shown again, its close button hides it.
        ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }));
        ASSERT_TRUE(::PostMessageW(pane, WM_NCLBUTTONUP, HTCLOSE, 0));
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(pane); }));
        if (round == 0) {
            // Leave it shown: the next start still has it hidden.
            ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
            ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }));
        }
        ExitDiscarding();
    }
}

TEST_F(FindInFilesE2E, PaneDraggedByItsGripperDocksOnEachSideFloatsAndDocksAgain) {
    ASSERT_NE(Launch(), nullptr);
    HWND pane = ResultsPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }));

    // The frame's client area above the status bar, in screen coordinates.
    auto dockArea = [&] {
        RECT rc{};
        ::GetClientRect(m_hWndMain, &rc);
        ::MapWindowPoints(m_hWndMain, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        if (HWND status = StatusBar(); status && ::IsWindowVisible(status))
            rc.bottom = ScreenRect(status).top;
        return rc;
    };
    // Bars overlap the frame's edges by a pixel or two, as their borders are drawn.
    auto nearly = [](LONG a, LONG b) { return std::abs(a - b) <= 2; };
    RECT rcPane{}, rcView{}, rcArea{};
    auto sample = [&] {
        rcPane = ScreenRect(pane);
        rcView = ScreenRect(Edit());
        rcArea = dockArea();
    };
    auto docked = [&](Side side) {
        return WaitUntil([&] {
            sample();
            if (::GetAncestor(pane, GA_ROOT) != m_hWndMain || !::IsWindowVisible(pane))
                return false;
            switch (side) {
            case Side::Left:
                return nearly(rcPane.left, rcArea.left) && nearly(rcPane.top, rcArea.top) &&
                       nearly(rcPane.bottom, rcArea.bottom) && rcView.left >= rcPane.right - 1 &&
                       nearly(rcView.right, rcArea.right) && nearly(rcView.top, rcArea.top);
            case Side::Top:
                return nearly(rcPane.top, rcArea.top) && nearly(rcPane.left, rcArea.left) &&
                       nearly(rcPane.right, rcArea.right) && rcView.top >= rcPane.bottom - 1 &&
                       nearly(rcView.bottom, rcArea.bottom) && nearly(rcView.left, rcArea.left);
            case Side::Right:
                return nearly(rcPane.right, rcArea.right) && nearly(rcPane.top, rcArea.top) &&
                       nearly(rcPane.bottom, rcArea.bottom) && rcView.right <= rcPane.left + 1 &&
                       nearly(rcView.left, rcArea.left) && nearly(rcView.top, rcArea.top);
            default:
                return nearly(rcPane.bottom, rcArea.bottom) && nearly(rcPane.left, rcArea.left) &&
                       nearly(rcPane.right, rcArea.right) && rcView.bottom <= rcPane.top + 1 &&
                       nearly(rcView.top, rcArea.top);
            }
        });
    };
    auto where = [&] {
        return "pane " + std::to_string(rcPane.left) + "," + std::to_string(rcPane.top) + "-" +
               std::to_string(rcPane.right) + "," + std::to_string(rcPane.bottom) + " view " +
               std::to_string(rcView.left) + "," + std::to_string(rcView.top) + "-" + std::to_string(rcView.right) +
               "," + std::to_string(rcView.bottom) + " area " + std::to_string(rcArea.left) + "," +
               std::to_string(rcArea.top) + "-" + std::to_string(rcArea.right) + "," + std::to_string(rcArea.bottom);
    };
    // The gripper runs down the left of a bar docked at the top or bottom, below its close button,
    // and along the top of one docked at a side, left of its close button.
    auto gripper = [&](bool bHorizontal) {
        RECT rc = ScreenRect(pane);
        return bHorizontal ? POINT{rc.left + 8, (rc.top + rc.bottom) / 2 + 10}
                           : POINT{(rc.left + rc.right) / 2 - 10, rc.top + 8};
    };
    auto viewMiddleY = [&] { return (ScreenRect(Edit()).top + ScreenRect(Edit()).bottom) / 2; };

    ASSERT_TRUE(docked(Side::Bottom)) << where();
    ASSERT_EQ(HitTest(pane, gripper(true)), HTCLIENT);

    // Onto the left edge of the frame.
    ASSERT_TRUE(DragBar(pane, gripper(true), POINT{rcArea.left + 4, viewMiddleY()}));
    EXPECT_TRUE(docked(Side::Left)) << where();
    EXPECT_GT(rcView.left, rcArea.left + 20) << "the view gives the pane its room";
    // Onto the top edge.
    ASSERT_EQ(HitTest(pane, gripper(false)), HTCLIENT);
    ASSERT_TRUE(DragBar(pane, gripper(false), POINT{(rcArea.left + rcArea.right) / 2, rcArea.top + 3}));
    EXPECT_TRUE(docked(Side::Top)) << where();
    EXPECT_GT(rcView.top, rcArea.top + 20);
    // Onto the right edge, level with the middle of the view (the top row now holds the pane).
    ASSERT_TRUE(DragBar(pane, gripper(true), POINT{rcArea.right - 4, viewMiddleY()}));
    EXPECT_TRUE(docked(Side::Right)) << where();
    EXPECT_LT(rcView.right, rcArea.right - 20);

    // Into the middle of the view: the pane floats in a mini-frame of its own, captioned with its
    // title, and the view takes the whole area.
    RECT rcViewBefore = ScreenRect(Edit());
    POINT ptMiddle{(rcViewBefore.left + rcViewBefore.right) / 2 - 40, (rcViewBefore.top + rcViewBefore.bottom) / 2};
    ASSERT_TRUE(DragBar(pane, gripper(false), ptMiddle));
    HWND mini = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        sample();
        mini = ::GetAncestor(pane, GA_ROOT);
        return mini != m_hWndMain && ::IsWindowVisible(mini) && ::IsWindowVisible(pane) && rcView.left == rcArea.left &&
               nearly(rcView.right, rcArea.right) && rcView.top == rcArea.top && nearly(rcView.bottom, rcArea.bottom);
    })) << where();
    ASSERT_NE(mini, m_hWndMain);
    EXPECT_EQ(WindowText(mini), L"ファイルから検索結果");
    EXPECT_EQ(::GetWindow(mini, GW_OWNER), m_hWndMain);
    std::vector<HWND> tops = m_app.TopLevelWindows();
    EXPECT_NE(std::find(tops.begin(), tops.end(), mini), tops.end());
    RECT rcMini = ScreenRect(mini);
    EXPECT_TRUE(::PtInRect(&rcMini, ptMiddle)) << "it floats where it was dropped";

    // A double click on the mini-frame's caption docks it where it was last docked: the right.
    POINT ptCaption{rcMini.left + 30, rcMini.top + 5};
    ASSERT_EQ(HitTest(mini, ptCaption), HTCAPTION);
    ASSERT_TRUE(SendTimed(mini, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(ptCaption.x, ptCaption.y)));
    EXPECT_TRUE(docked(Side::Right)) << where();
    EXPECT_TRUE(CTargetProcess::WaitForWindowGone(mini));
    // A double click on the docked bar floats it again, and another docks it back.
    POINT ptGrip = gripper(false);
    ASSERT_TRUE(SendTimed(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, ClientParam(pane, ptGrip)));
    EXPECT_TRUE(WaitUntil([&] { return ::GetAncestor(pane, GA_ROOT) == mini && ::IsWindowVisible(mini); }));
    ASSERT_TRUE(SendTimed(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10)));
    EXPECT_TRUE(docked(Side::Right)) << where();
    ExitDiscarding();
}

// A folder named with "(digits)" before the file, a search text that begins with "(1", and an
// unreadable entry whose name holds "(1)": only the hit opens, the run's own lines do nothing, and
// a hit whose file went since the run is named before anything is asked.
TEST_F(FindInFilesE2E, AHitOpensTheFileItListsWhateverItsPathHoldsAndOtherLinesDoNothing) {
    const std::wstring root = m_dir.File(L"tree");
    ASSERT_TRUE(::CreateDirectoryW(root.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((root + L"\\a(1)9").c_str(), nullptr));
    const std::wstring paren = root + L"\\a(1)9\\paren.txt";
    WriteAllBytes(paren, Ascii("first\r\nsee (1): here\r\n"));
    const std::wstring gone = root + L"\\gone(2).txt";
    WriteAllBytes(gone, Ascii("x\r\ny\r\nz(1)\r\n"));
    // A folder Wine shows as hidden (its name starts with a dot) is listed as unreadable.
    ASSERT_TRUE(::CreateDirectoryW((root + L"\\.locked(1).txt").c_str(), nullptr));
    ASSERT_NE(Launch(), nullptr);

    StartRun(L"(1", root);
    ASSERT_TRUE(WaitUntil([&] { return Results().ends_with(kEndSuffix); }, 30000)) << Results();
    const std::vector<std::wstring> lines = SplitLines(Results());
    auto lineOf = [&](const std::wstring& text) {
        return static_cast<int>(std::find(lines.begin(), lines.end(), text) - lines.begin());
    };
    const int nParen = lineOf(paren + L"(2):see (1): here");
    const int nGone = lineOf(gone + L"(3):z(1)");
    // The unreadable line ends in its reason after the quoted path.
    const int nLocked = static_cast<int>(
        std::find_if(lines.begin(), lines.end(),
                     [&](const std::wstring& line) {
                         return line.starts_with(L"ファイルが開けません。'" + root + L"\\.locked(1).txt'（");
                     }) -
        lines.begin());
    ASSERT_LT(nParen, static_cast<int>(lines.size())) << Results();
    ASSERT_LT(nGone, static_cast<int>(lines.size())) << Results();
    ASSERT_LT(nLocked, static_cast<int>(lines.size())) << Results();

    // The start, "cannot open" and end lines: the double click is handled without a question or
    // a message, and the untitled document stays.
    for (int nLine : {0, nLocked, static_cast<int>(lines.size()) - 2, static_cast<int>(lines.size()) - 1}) {
        SCOPED_TRACE(lines[nLine]);
        CaretToResultLine(nLine);
        EXPECT_TRUE(SendTimed(ResultsEdit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)))
            << "a message or question came up";
        EXPECT_TRUE(m_app.HasNoDialog());
        if (HWND box = m_app.WaitForMessageBox(0))
            PressButton(box, IDOK);
        EXPECT_EQ(WindowText(m_hWndMain), L"無題 - Tessarin");
    }

    // The hit under the folder with a parenthesis opens at its line.
    CaretToResultLine(nParen);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)));
    EXPECT_TRUE(ViewCaretAtLine(L"paren.txt", 2));

    // With the document changed and the hit's file deleted since the run: the missing file is
    // named at once, no save question comes first, and the document stays as it was.
    ASSERT_TRUE(m_app.TypeText(L"changed", Edit()));
    ASSERT_TRUE(::DeleteFileW(gone.c_str()));
    CaretToResultLine(nGone);
    ASSERT_TRUE(::PostMessageW(ResultsEdit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)));
    HWND box = m_app.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), gone + L" が見つかりません。");
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    ASSERT_TRUE(SendTimed(ResultsEdit(), WM_NULL, 0, 0));
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_EQ(WindowText(m_hWndMain), L"paren.txt - Tessarin");
    EXPECT_NE(WindowText(Edit()).find(L"changed"), std::wstring::npos);
    ExitDiscarding();
}

// The pane floats at a size that shows its lines: at first half the main window's width and a
// third of its height; then the size the user gave its floating window, at every later float.
TEST_F(FindInFilesE2E, TheFloatingPaneOpensAtAUsefulSizeAndKeepsTheSizeTheUserGaveIt) {
    ASSERT_NE(Launch(), nullptr);
    ASSERT_TRUE(::SetWindowPos(m_hWndMain, nullptr, 40, 30, 1000, 750, SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(WaitUntil([&] { return ScreenRect(m_hWndMain).right - ScreenRect(m_hWndMain).left == 1000; }));
    HWND pane = ResultsPane();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_VIEW_FIND_RESULTS));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(pane) != FALSE; }));

    // A double click on the docked pane floats it.
    auto floatIt = [&] {
        RECT rc = ScreenRect(pane);
        return SendTimed(pane, WM_LBUTTONDBLCLK, MK_LBUTTON,
                         ClientParam(pane, POINT{rc.left + 8, (rc.top + rc.bottom) / 2 + 10}));
    };
    auto floating = [&] {
        HWND root = ::GetAncestor(pane, GA_ROOT);
        return root != m_hWndMain && ::IsWindowVisible(root) ? root : nullptr;
    };
    ASSERT_TRUE(floatIt());
    ASSERT_TRUE(WaitUntil([&] { return floating() != nullptr; }));
    HWND mini = floating();
    RECT rcClient{};
    ::GetClientRect(mini, &rcClient);
    EXPECT_GE(rcClient.right, 1000 / 2 - 2) << rcClient.right << " x " << rcClient.bottom;
    EXPECT_GE(rcClient.bottom, 750 / 3 - 2) << rcClient.right << " x " << rcClient.bottom;
    EXPECT_LE(rcClient.right, 1000 / 2 + 2);
    EXPECT_LE(rcClient.bottom, 750 / 3 + 2);

    // The user sizes the floating window, docks the pane again and floats it once more.
    const RECT rcMini = ScreenRect(mini);
    ASSERT_TRUE(::SetWindowPos(mini, nullptr, 0, 0, 430, 310, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(WaitUntil([&] { return ScreenRect(mini).right - ScreenRect(mini).left == 430; }));
    POINT ptCaption{rcMini.left + 30, rcMini.top + 5};
    ASSERT_TRUE(SendTimed(mini, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(ptCaption.x, ptCaption.y)));
    ASSERT_TRUE(WaitUntil([&] { return ::GetAncestor(pane, GA_ROOT) == m_hWndMain && ::IsWindowVisible(pane); }));
    ASSERT_TRUE(floatIt());
    ASSERT_TRUE(WaitUntil([&] { return floating() != nullptr; }));
    const RECT rcAgain = ScreenRect(floating());
    EXPECT_EQ(rcAgain.right - rcAgain.left, 430);
    EXPECT_EQ(rcAgain.bottom - rcAgain.top, 310);
    ExitDiscarding();
}
