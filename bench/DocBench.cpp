// Times the document's open and save of each file named on the command line, through a real
// frame, CTessarinDoc and CTessarinView: open = read, detect, decode and hand the block to the EDIT
// control (which lays the text out); save = encode back to the detected pair and write through the
// safe replacement, beside the original. Prints name, bytes, lines, best open and save seconds of
// the rounds, and the process's peak working set. Run one process per file for a clean peak.
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include "doc/TessarinDoc.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "view/TessarinView.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Lets the view and frame finish whatever the open posted (repaint, timers) before timing more.
void Drain() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 1;
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--rounds") {
        rounds = std::max(1, _wtoi(argv[2]));
        first = 3;
    }
    CFrameWnd frame;
    CTessarinDoc doc;
    CTessarinView view;
    RECT rc{0, 0, 800, 600};
    if (!frame.Create(L"DocBench", WS_OVERLAPPEDWINDOW, &rc))
        return 2;
    view.SetDocument(&doc);
    if (!view.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, frame.GetClientRect()))
        return 2;
    frame.SetActiveView(&view);
    frame.ShowWindow(SW_SHOW);

    int status = 0;
    for (int i = first; i < argc; ++i) {
        std::wstring path = argv[i];
        std::wstring outPath = path + L".out";
        double bestOpen = 1e9, bestSave = 1e9;
        for (int r = 0; r < rounds; ++r) {
            doc.OnNewDocument();
            Drain();
            auto t0 = std::chrono::steady_clock::now();
            bool bOpened = doc.OnOpenDocument(path.c_str());
            Drain();
            bestOpen = std::min(bestOpen, Seconds(t0));
            if (!bOpened) {
                fwprintf(stderr, L"%ls: open failed\n", path.c_str());
                status = 1;
                break;
            }
            auto t1 = std::chrono::steady_clock::now();
            bool bSaved = false;
            try {
                bSaved = doc.OnSaveDocument(outPath.c_str());
            } catch (...) {
            }
            bestSave = std::min(bestSave, Seconds(t1));
            ::DeleteFileW(outPath.c_str());
            if (!bSaved) {
                fwprintf(stderr, L"%ls: save failed\n", path.c_str());
                status = 1;
                break;
            }
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        ULONGLONG bytes = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        int lines = static_cast<int>(view.SendMessage(EM_GETLINECOUNT));
        PROCESS_MEMORY_COUNTERS pmc{};
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
        wprintf(L"%ls %llu %d %.3f %.3f %llu\n", path.c_str(), bytes, lines, bestOpen, bestSave,
                static_cast<unsigned long long>(pmc.PeakWorkingSetSize));
        fflush(stdout);
    }
    doc.OnNewDocument();
    frame.DestroyWindow();
    return status;
}
