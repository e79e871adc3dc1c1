// Cost of a recovery snapshot: RecoveryBench.exe FOLDER [SIZES_MB...] (default 1 10 100 200). For a
// text of each size (MB of UTF-16, as the editor holds it) it runs the keeper as the editor does —
// a change, the 2 s pause, the ticks of a window timer on a thread with a message loop — and
// reports the time the window's thread spent, the time from the copy to the renamed file, the bytes
// written, and the longest time a message posted to the window waited while the snapshot was
// prepared, copied and written (a probe thread posts one every millisecond).
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include "document/RecoveryKeeper.h"

namespace {
using Clock = std::chrono::steady_clock;

class CTextSource : public IRecoverySource {
public:
    std::wstring m_strText;
    size_t RecoveryTextLength() override { return m_strText.size(); }
    bool CopyRecoveryText(wchar_t* pDest, size_t nCapacity, size_t& nCopied, RecoveryState& state) override {
        if (m_strText.size() + 1 > nCapacity)
            return false;
        std::memcpy(pDest, m_strText.data(), m_strText.size() * sizeof(wchar_t));
        pDest[m_strText.size()] = L'\0';
        nCopied = m_strText.size();
        state.strPath = L"C:\\bench.txt";
        return true;
    }
    void ReportRecoveryProblem(RecoveryProblem) override {}
};

constexpr UINT WM_PROBE = WM_APP + 1;
std::atomic<long long> g_nMaxWaitUs{0};

LRESULT CALLBACK ProbeWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PROBE) {
        long long now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
        long long waited = now - static_cast<long long>(lParam);
        if (waited > g_nMaxWaitUs.load())
            g_nMaxWaitUs = waited;
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

struct Figures {
    double windowMs = 0, copyMs = 0, totalMs = 0, maxWaitMs = 0;
    uint64_t bytes = 0;
};

Figures Measure(HWND hWnd, const std::wstring& folder, size_t mb) {
    CTextSource source;
    source.m_strText.assign(mb << 19, L'あ');
    for (size_t i = 80; i < source.m_strText.size(); i += 82) {
        source.m_strText[i - 1] = L'\r';
        source.m_strText[i] = L'\n';
    }
    Figures f;
    CRecoveryKeeper keeper(source, folder, false);
    std::atomic<bool> bProbe{true};
    std::thread probe([&] {
        while (bProbe) {
            long long now =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
            ::PostMessageW(hWnd, WM_PROBE, 0, static_cast<LPARAM>(now));
            ::Sleep(1);
        }
    });
    g_nMaxWaitUs = 0;
    keeper.Changed();
    ::SetTimer(hWnd, 1, CRecoveryKeeper::kTickMs, nullptr);
    Clock::time_point tCopy{};
    bool bCopied = false;
    MSG msg;
    while (keeper.SnapshotsWritten() == 0 && ::GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && msg.hwnd == hWnd) {
            auto t0 = Clock::now();
            keeper.OnTick();
            f.windowMs += std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            if (!bCopied && keeper.LastCopyMs() > 0) {
                bCopied = true;
                tCopy = t0;
            }
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    f.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - tCopy).count();
    ::KillTimer(hWnd, 1);
    bProbe = false;
    probe.join();
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
    f.copyMs = keeper.LastCopyMs();
    f.bytes = keeper.BytesWritten();
    f.maxWaitMs = static_cast<double>(g_nMaxWaitUs.load()) / 1000.0;
    keeper.Shutdown();
    return f;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: RecoveryBench FOLDER [SIZES_MB...]\n");
        return 2;
    }
    std::vector<size_t> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(static_cast<size_t>(_wtoi(argv[i])));
    if (sizes.empty())
        sizes = {1, 10, 100, 200};
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeWndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"RecoveryBenchProbe";
    ::RegisterClassW(&wc);
    HWND hWnd = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    wprintf(L"| text MB | window's thread ms (copy) | copy to renamed file ms | bytes written | longest wait ms |\n");
    wprintf(L"| ---: | ---: | ---: | ---: | ---: |\n");
    for (size_t mb : sizes) {
        Figures f = Measure(hWnd, argv[1], mb);
        wprintf(L"| %zu | %.1f (%.1f) | %.0f | %llu | %.1f |\n", mb, f.windowMs, f.copyMs, f.totalMs,
                static_cast<unsigned long long>(f.bytes), f.maxWaitMs);
        fflush(stdout);
    }
    ::DestroyWindow(hWnd);
    return 0;
}
