// What the results pane costs a find-in-files run: the same search of a folder, in this process,
// once with its lines only gathered in memory and once appended to a real results pane (our text
// control in a docked pane on a shown frame) every 100 ms with waiting messages dispatched every
// 20 ms, as the command does, the last repaint included.
//   FindInFilesPaneBench.exe FOLDER TEXT ROUNDS
// Prints the best of the rounds: seconds without the pane, seconds with it, the hit lines, and the
// pane's text length at the end.
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/View.h"
#include "res/resource.h"
#include "search/FindInFiles.h"
#include "search/FindResultsBar.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Lines kept in memory only: the run's own cost.
class CMemoryOutput : public IFindInFilesOutput {
public:
    void Append(std::wstring_view text) override { m_strText.append(text); }
    void Poll() override {}
    bool IsRunning() override { return true; }
    std::wstring m_strText;
};

// The command's output: gathered, appended every 100 ms, messages pumped every 20 ms.
class CPaneOutput : public IFindInFilesOutput {
public:
    explicit CPaneOutput(CFindResultsBar& pane) : m_pane(pane) {}
    void Append(std::wstring_view text) override {
        m_strPending.append(text);
        if (::GetTickCount64() - m_nLastFlush >= 100)
            Flush();
    }
    void Poll() override {
        const ULONGLONG nNow = ::GetTickCount64();
        if (nNow - m_nLastPump < 20)
            return;
        if (nNow - m_nLastFlush >= 100)
            Flush();
        Pump();
        m_nLastPump = ::GetTickCount64();
    }
    bool IsRunning() override { return true; }
    void Flush() {
        if (!m_strPending.empty())
            m_pane.AppendResultLine(m_strPending);
        m_strPending.clear();
        m_nLastFlush = ::GetTickCount64();
    }

private:
    CFindResultsBar& m_pane;
    std::wstring m_strPending;
    ULONGLONG m_nLastFlush = 0;
    ULONGLONG m_nLastPump = 0;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: FindInFilesPaneBench FOLDER TEXT ROUNDS\n");
        return 2;
    }
    FindInFilesQuery query;
    query.strFind = argv[2];
    query.patterns = {L"*.txt"};
    query.strFolder = argv[1];
    if (!query.strFolder.empty() && query.strFolder.back() != L'\\')
        query.strFolder += L'\\';

    CFrameWnd frame;
    CView view;
    CFindResultsBar pane;
    RECT rc{0, 0, 1000, 700};
    if (!frame.Create(L"FindInFilesPaneBench", WS_OVERLAPPEDWINDOW, &rc) ||
        !view.CreateView(frame.m_hWnd, AFX_IDW_PANE_FIRST, RECT{0, 0, 10, 10}))
        return 1;
    frame.SetActiveView(&view);
    frame.EnableDocking(CBRS_ALIGN_ANY);
    if (!pane.Create(L"results", &frame, IDW_FIND_RESULTS, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM))
        return 1;
    pane.EnableDocking(CBRS_ALIGN_ANY);
    frame.DockControlBar(&pane, AFX_IDW_DOCKBAR_BOTTOM);
    frame.ShowWindow(SW_SHOW);
    Pump();

    double dWithout = 1e9, dWith = 1e9;
    int nHits = 0;
    LRESULT nPaneLength = 0;
    for (int i = 0; i < std::max(1, _wtoi(argv[3])); ++i) {
        {
            CMemoryOutput output;
            auto t0 = std::chrono::steady_clock::now();
            CFindInFiles run(query, output);
            nHits = run.Run();
            dWithout = std::min(dWithout, Seconds(t0));
        }
        {
            pane.ClearResults();
            Pump();
            CPaneOutput output(pane);
            auto t0 = std::chrono::steady_clock::now();
            CFindInFiles run(query, output);
            run.Run();
            output.Flush();
            ::UpdateWindow(pane.GetEdit().m_hWnd);
            dWith = std::min(dWith, Seconds(t0));
            nPaneLength = pane.GetEdit().SendMessage(WM_GETTEXTLENGTH);
        }
    }
    std::printf("%.3f %.3f %d %ld\n", dWithout, dWith, nHits, static_cast<long>(nPaneLength));
    frame.DestroyWindow();
    return 0;
}
