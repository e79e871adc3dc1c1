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
    bool CopyRecoveryText(wchar_t* pDest, size_t nOffset, size_t nCount) override {
        if (m_strText.size() < nOffset + nCount)
            return false;
        std::memcpy(pDest, m_strText.data() + nOffset, nCount * sizeof(wchar_t));
        return true;
    }
    void DescribeRecovery(RecoveryState& state) override { state.strPath = L"C:\\bench.txt"; }
    void ReportRecoveryProblem(RecoveryProblem) override {}
};

constexpr UINT WM_PROBE = WM_APP + 1;
constexpr UINT WM_SNAPSHOT_NOW = WM_APP + 2;
std::atomic<long long> g_nMaxWaitUs{0};
CRecoveryKeeper* g_pKeeper = nullptr;

LRESULT CALLBACK ProbeWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PROBE) {
        long long now = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
        long long waited = now - static_cast<long long>(lParam);
        if (waited > g_nMaxWaitUs.load())
            g_nMaxWaitUs = waited;
        return 0;
    }
    if (message == WM_SNAPSHOT_NOW && g_pKeeper) {
        g_nMaxWaitUs = 0; // the waits the bench's own sleep caused are not the snapshot's
        g_pKeeper->SnapshotNow();
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

struct Figures {
    double windowMs = 0, totalMs = 0, maxWaitMs = 0;
    uint64_t bytes = 0;
};

// bAtOnce: the copy that runs when changes have kept coming for 30 s, which does not give way.
Figures Measure(HWND hWnd, const std::wstring& folder, size_t mb, bool bAtOnce) {
    CTextSource source;
    source.m_strText.assign(mb << 19, L'あ');
    for (size_t i = 80; i < source.m_strText.size(); i += 82) {
        source.m_strText[i - 1] = L'\r';
        source.m_strText[i] = L'\n';
    }
    Figures f;
    CRecoveryKeeper keeper(source, folder, true); // its own timer, as in the editor
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
    g_pKeeper = &keeper;
    // At once: 1.5 s after the change, before the pause is over but after the keeper's thread has
    // made the buffer, as it has after 30 s of changes.
    if (bAtOnce)
        ::SetTimer(hWnd, 2, 1500, nullptr);
    MSG msg;
    while (keeper.SnapshotsWritten() == 0 && ::GetMessageW(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && msg.hwnd == hWnd && msg.wParam == 2) {
            ::KillTimer(hWnd, 2);
            ::PostMessageW(hWnd, WM_SNAPSHOT_NOW, 0, 0);
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    f.totalMs = std::chrono::duration<double, std::milli>(Clock::now() - keeper.LastCopyStart()).count();
    bProbe = false;
    probe.join();
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&msg);
    f.windowMs = keeper.LastCopyMs();
    g_pKeeper = nullptr;
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
    wprintf(L"| text MB | copy | window's thread ms | copy start to renamed file ms | bytes written | longest wait ms |\n");
    wprintf(L"| ---: | --- | ---: | ---: | ---: | ---: |\n");
    for (bool bAtOnce : {false, true})
        for (size_t mb : sizes) {
            Figures f = Measure(hWnd, argv[1], mb, bAtOnce);
            wprintf(L"| %zu | %ls | %.1f | %.0f | %llu | %.1f |\n", mb, bAtOnce ? L"at once" : L"in slices", f.windowMs,
                    f.totalMs, static_cast<unsigned long long>(f.bytes), f.maxWaitMs);
            fflush(stdout);
        }
    // The machine's own noise: the same probe for 2 s with no snapshot at all.
    {
        g_nMaxWaitUs = 0;
        std::atomic<bool> bProbe{true};
        std::thread probe([&] {
            while (bProbe) {
                long long now =
                    std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
                ::PostMessageW(hWnd, WM_PROBE, 0, static_cast<LPARAM>(now));
                ::Sleep(1);
            }
        });
        ::SetTimer(hWnd, 1, 2000, nullptr);
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) && !(msg.message == WM_TIMER && msg.hwnd == hWnd))
            ::DispatchMessageW(&msg);
        ::KillTimer(hWnd, 1);
        bProbe = false;
        probe.join();
        wprintf(L"| - | no snapshot, 2 s | - | - | - | %.1f |\n", static_cast<double>(g_nMaxWaitUs.load()) / 1000.0);
    }
    ::DestroyWindow(hWnd);
    return 0;
}
