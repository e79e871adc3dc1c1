// Start-up benchmark: a program started from another process, timed until its main window is idle
// and (with a file on the command line) shows the file's name in its title; also its peak working
// set. Run for the editor and for Wine's notepad.exe on the same machine by scripts/bench startup.
//   StartupBench.exe EXE ROUNDS [FILE...]
// Prints one line per case: file (or "-"), best milliseconds, peak working set in bytes.
#include "Driver.h"
#include "WindowQuery.h"
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Result {
    DWORD dwBestMs = 0xFFFFFFFF;
    SIZE_T nPeak = 0;
};

std::wstring BaseName(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

// One start: until the idle main window shows the file's name (when there is one).
bool RunOnce(const std::wstring& exe, const std::wstring& file, Result& result) {
    e2e::CTargetProcess app;
    DWORD dwStart = ::GetTickCount();
    if (!app.Start(exe, file.empty() ? L"" : L"\"" + file + L"\""))
        return false;
    HWND hWnd = app.WaitForMainWindow(nullptr, 600000);
    if (!hWnd)
        return false;
    if (!file.empty()) {
        std::wstring name = BaseName(file);
        if (!e2e::WaitUntil([&] { return e2e::WindowText(hWnd).find(name) != std::wstring::npos; }, 600000))
            return false;
        // Loading may go on after the title changed; the program is done once it is idle again.
        ::WaitForInputIdle(app.Handle(), 600000);
    }
    DWORD dwMs = ::GetTickCount() - dwStart;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (::GetProcessMemoryInfo(app.Handle(), &counters, sizeof(counters)))
        result.nPeak = std::max(result.nPeak, counters.PeakWorkingSetSize);
    result.dwBestMs = std::min(result.dwBestMs, dwMs);
    app.Kill();
    return true;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: StartupBench EXE ROUNDS [FILE...]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const int nRounds = std::max(1, _wtoi(argv[2]));
    std::vector<std::wstring> files{L""};
    for (int i = 3; i < argc; ++i)
        files.push_back(argv[i]);
    for (const std::wstring& file : files) {
        Result result;
        for (int r = 0; r < nRounds; ++r) {
            if (!RunOnce(exe, file, result)) {
                std::fwprintf(stderr, L"failed: %ls %ls\n", exe.c_str(), file.c_str());
                return 1;
            }
        }
        std::wprintf(L"%ls %lu %llu\n", file.empty() ? L"-" : BaseName(file).c_str(), result.dwBestMs,
                     static_cast<unsigned long long>(result.nPeak));
    }
    return 0;
}
