// Times the document's open and save of each file named on the command line, through a real
// frame, CTessarinDoc and CTessarinView: open = read, detect, decode and hand the block to the EDIT
// control (which lays the text out); save = encode back to the detected pair and write through the
// safe replacement, beside the original. Prints name, bytes, lines, best open and save seconds of
// the rounds, and the process's peak working set; with --cpu also the best open and save in CPU
// seconds of this process (user and kernel), which a busy machine disturbs far less than the wall
// clock, and the seconds the open check alone takes on the opened text (encode it again, compare it
// with the file). Run one process per file for a clean peak.
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include "document/Fidelity.h"
#include "document/TessarinDoc.h"
#include "document/TextCodec.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "view/TessarinView.h"

namespace {

// User and kernel time of this process so far, in seconds.
double CpuSeconds() {
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!::GetProcessTimes(::GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser))
        return 0;
    auto value = [](const FILETIME& ft) { return (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; };
    return double(value(ftKernel) + value(ftUser)) / 1e7;
}

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

// Wall seconds of the open check on the text the view holds against the file's bytes.
double TimeOpenCheck(const std::wstring& path, CTessarinDoc& doc, CTessarinView& view) {
    CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    size_t nBytes = 0;
    CLocalBlock hBytes(ReadFileBytes(file, nBytes));
    CLocalLock bytes(hBytes.Get());
    EncodingId encoding;
    LineEndingId lineEnding;
    doc.GetFileFormat(encoding, lineEnding);
    size_t nText = static_cast<size_t>(view.GetTextLength());
    CEditBufferLock text(view);
    auto t0 = std::chrono::steady_clock::now();
    OpenCheckResult r = CheckOpenedText(static_cast<const unsigned char*>(bytes.Get()), nBytes, text.Get(), nText,
                                        nText, encoding, lineEnding);
    double s = Seconds(t0);
    if (r.Differs())
        fwprintf(stderr, L"%ls: does not come back as it was\n", path.c_str());
    return s;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 1;
    int first = 1;
    bool bCpu = false;
    if (argc > first && std::wstring(argv[first]) == L"--cpu") {
        bCpu = true;
        ++first;
    }
    if (argc > first + 1 && std::wstring(argv[first]) == L"--rounds") {
        rounds = std::max(1, _wtoi(argv[first + 1]));
        first += 2;
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
        double bestOpen = 1e9, bestSave = 1e9, bestOpenCpu = 1e9, bestSaveCpu = 1e9, bestCheck = 1e9;
        for (int r = 0; r < rounds; ++r) {
            doc.OnNewDocument();
            Drain();
            auto t0 = std::chrono::steady_clock::now();
            double c0 = CpuSeconds();
            bool bOpened = doc.OnOpenDocument(path.c_str());
            Drain();
            bestOpen = std::min(bestOpen, Seconds(t0));
            bestOpenCpu = std::min(bestOpenCpu, CpuSeconds() - c0);
            if (!bOpened) {
                fwprintf(stderr, L"%ls: open failed\n", path.c_str());
                status = 1;
                break;
            }
            if (bCpu)
                bestCheck = std::min(bestCheck, TimeOpenCheck(path, doc, view));
            auto t1 = std::chrono::steady_clock::now();
            double c1 = CpuSeconds();
            bool bSaved = false;
            try {
                bSaved = doc.OnSaveDocument(outPath.c_str());
            } catch (...) {
            }
            bestSave = std::min(bestSave, Seconds(t1));
            bestSaveCpu = std::min(bestSaveCpu, CpuSeconds() - c1);
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
        wprintf(L"%ls %llu %d %.3f %.3f %llu", path.c_str(), bytes, lines, bestOpen, bestSave,
                static_cast<unsigned long long>(pmc.PeakWorkingSetSize));
        if (bCpu)
            wprintf(L" %.3f %.3f %.3f", bestOpenCpu, bestSaveCpu, bestCheck);
        wprintf(L"\n");
        fflush(stdout);
    }
    doc.OnNewDocument();
    frame.DestroyWindow();
    return status;
}
