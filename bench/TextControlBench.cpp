// Measures a text control as the view uses it, for the platform's EDIT control or our own:
// handing over N MB of Japanese text as a movable block plus the first paint, Ctrl+End, one typed
// character at the end and at the start (repaint included, median of 15), the line of an offset
// and its start, the whole text locked as one block, and the working set above the empty control.
//   TextControlBench.exe edit|own MB [wrap]
// Prints one line: class MB wrap lines handover-s ctrl-end-ms type-end-ms type-start-ms
// line-ms lock-ms extra-MB range-ms (a one-character range read after an edit at the start).
//   TextControlBench.exe wrapswitch MB
// Word wrap switched on as the view does it: a new wrapped control, the text's block moved into
// it, plus the first paint; then input probes (a typed character with its repaint,
// between page-downs and a thumb drag to the middle), the longest of them; then Ctrl+End and a
// typed character at the end and at the start (median of 15). Prints: MB create-s first-key-ms
// probe-max-ms ctrl-end-ms type-end-ms type-start-ms rows-estimated.
//   TextControlBench.exe longline N
// One line of N characters (mixed Japanese and words), wrapped: hand-over plus first paint, the
// scroll bar's bottom, Ctrl+End, a typed character at the end (median of 5). Prints: N
// handover-s bottom-ms ctrl-end-ms type-end-ms rows.
#include "framework/TextRoom.h"
#include "view/TextControl.h"
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

size_t WorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof(pmc);
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc.PeakWorkingSetSize;
}

// About nMB megabytes of UTF-16 Japanese text in lines of about 80 characters, CR LF breaks.
HLOCAL MakeText(size_t nMB, size_t* pnLines) {
    const std::wstring line = L"Tessarin ベンチマーク用の日本語テキスト：漢字、ひらがな、カタカナ、ASCII 0123456789 ①㈱\r\n";
    const size_t nChars = nMB * 1024 * 1024 / sizeof(wchar_t);
    const size_t nLines = nChars / line.size();
    // With the room an opened file's text is given, so the first edit finds it as after opening.
    HLOCAL h = ::LocalAlloc(LMEM_MOVEABLE, TextRoom(nLines * line.size()) * sizeof(wchar_t));
    auto* p = static_cast<wchar_t*>(::LocalLock(h));
    for (size_t i = 0; i < nLines; ++i)
        std::copy(line.begin(), line.end(), p + i * line.size());
    p[nLines * line.size()] = L'\0';
    ::LocalUnlock(h);
    *pnLines = nLines + 1;
    return h;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

namespace {
struct Bench {
    HWND hFrame = nullptr;
    HWND hCtl = nullptr;
    HFONT hFont = nullptr;
    // A shown frame, and the bench font.
    void Frame() {
        hFrame = ::CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                                   nullptr, nullptr, nullptr);
        hFont = ::CreateFontW(-19, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 1, 2, 1, 1, L"FixedSys");
    }
    // Our control (or another class) in the frame, wrapped or not, with the bench font.
    void Control(bool bWrap, const wchar_t* pszName, const wchar_t* pszClass = CTextControl::kClassName) {
        RECT rc;
        ::GetClientRect(hFrame, &rc);
        DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_NOHIDESEL | ES_AUTOVSCROLL;
        if (!bWrap)
            dwStyle |= WS_HSCROLL | ES_AUTOHSCROLL;
        hCtl = ::CreateWindowExW(WS_EX_CLIENTEDGE, pszClass, pszName, dwStyle, 0, 0, rc.right,
                                 rc.bottom, hFrame, nullptr, nullptr, nullptr);
        ::SendMessageW(hCtl, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
        ::SendMessageW(hCtl, EM_LIMITTEXT, 0x7FFFFFFF, 0);
    }
    ~Bench() {
        ::DestroyWindow(hFrame);
        ::DeleteObject(hFont);
    }
    double TypeAt(int nAt, int nTimes) const {
        std::vector<double> times;
        for (int i = 0; i < nTimes; ++i) {
            const int n = nAt < 0 ? static_cast<int>(::SendMessageW(hCtl, WM_GETTEXTLENGTH, 0, 0)) : nAt;
            ::SendMessageW(hCtl, EM_SETSEL, static_cast<WPARAM>(n), n);
            ::SendMessageW(hCtl, EM_SCROLLCARET, 0, 0);
            ::UpdateWindow(hCtl);
            auto t = Clock::now();
            ::SendMessageW(hCtl, WM_CHAR, L'あ', 1);
            ::UpdateWindow(hCtl);
            times.push_back(Ms(t));
        }
        return Median(times);
    }
    double CtrlEnd() const {
        const int nLength = static_cast<int>(::SendMessageW(hCtl, WM_GETTEXTLENGTH, 0, 0));
        auto t0 = Clock::now();
        ::SendMessageW(hCtl, EM_SETSEL, static_cast<WPARAM>(nLength), nLength);
        ::SendMessageW(hCtl, EM_SCROLLCARET, 0, 0);
        ::UpdateWindow(hCtl);
        return Ms(t0);
    }
    int ScrollRows() const {
        SCROLLINFO si{sizeof(si), SIF_RANGE};
        ::GetScrollInfo(hCtl, SB_VERT, &si);
        return si.nMax + 1;
    }
};

int WrapSwitch(size_t nMB) {
    Bench bench;
    bench.Frame();
    size_t nLines = 0;
    HLOCAL hText = MakeText(nMB, &nLines);
    // As the view switches: a new wrapped control, and the old one's block moved into it.
    auto t0 = Clock::now();
    bench.Control(true, L"");
    HLOCAL hFirst = reinterpret_cast<HLOCAL>(::SendMessageW(bench.hCtl, EM_GETHANDLE, 0, 0));
    ::SendMessageW(bench.hCtl, EM_SETHANDLE, reinterpret_cast<WPARAM>(hText), 0);
    ::LocalFree(hFirst);
    ::UpdateWindow(bench.hCtl);
    const double dCreate = Ms(t0) / 1000.0;
    // Input while the text is new: typed characters with their repaint, between page-downs and a
    // jump of the thumb to the middle.
    // The first one, at the start of the text, also moves the gap buffer's gap from the end of the
    // adopted block to the start (the whole text once): it is given apart.
    double dProbeMax = 0, dFirst = 0;
    for (int i = 0; i < 12; ++i) {
        if (i % 3 == 1)
            ::SendMessageW(bench.hCtl, WM_VSCROLL, SB_PAGEDOWN, 0);
        if (i == 6) {
            SCROLLINFO si{sizeof(si), SIF_RANGE};
            ::GetScrollInfo(bench.hCtl, SB_VERT, &si);
            si.fMask = SIF_POS;
            si.nPos = si.nMax / 2;
            ::SetScrollInfo(bench.hCtl, SB_VERT, &si, FALSE);
            ::SendMessageW(bench.hCtl, WM_VSCROLL, SB_THUMBPOSITION, 0);
        }
        auto t = Clock::now();
        ::SendMessageW(bench.hCtl, WM_CHAR, L'x', 1);
        ::UpdateWindow(bench.hCtl);
        (i == 0 ? dFirst : dProbeMax) = std::max(i == 0 ? dFirst : dProbeMax, Ms(t));
    }
    const double dCtrlEnd = bench.CtrlEnd();
    const double dTypeEnd = bench.TypeAt(-1, 15);
    const double dTypeStart = bench.TypeAt(0, 15);
    std::printf("%zu %.3f %.1f %.1f %.1f %.2f %.2f %d\n", nMB, dCreate, dFirst, dProbeMax, dCtrlEnd, dTypeEnd,
                dTypeStart, bench.ScrollRows());
    return 0;
}

int LongLine(int nChars) {
    Bench bench;
    bench.Frame();
    bench.Control(true, L"");
    std::wstring line;
    while (static_cast<int>(line.size()) < nChars)
        line += L"漢字かな交じりの文 and words ";
    line.resize(static_cast<size_t>(nChars));
    HLOCAL hText = ::LocalAlloc(LMEM_MOVEABLE, (line.size() + 1) * sizeof(wchar_t));
    auto* p = static_cast<wchar_t*>(::LocalLock(hText));
    std::copy(line.begin(), line.end(), p);
    p[line.size()] = L'\0';
    ::LocalUnlock(hText);
    auto t0 = Clock::now();
    HLOCAL hOld = reinterpret_cast<HLOCAL>(::SendMessageW(bench.hCtl, EM_GETHANDLE, 0, 0));
    ::SendMessageW(bench.hCtl, EM_SETHANDLE, reinterpret_cast<WPARAM>(hText), 0);
    ::LocalFree(hOld);
    ::InvalidateRect(bench.hCtl, nullptr, TRUE);
    ::UpdateWindow(bench.hCtl);
    const double dHandover = Ms(t0) / 1000.0;
    t0 = Clock::now();
    ::SendMessageW(bench.hCtl, WM_VSCROLL, SB_BOTTOM, 0);
    ::UpdateWindow(bench.hCtl);
    const double dBottom = Ms(t0);
    ::SendMessageW(bench.hCtl, WM_VSCROLL, SB_TOP, 0);
    const double dCtrlEnd = bench.CtrlEnd();
    const double dTypeEnd = bench.TypeAt(-1, 5);
    std::printf("%d %.3f %.1f %.1f %.1f %d\n", nChars, dHandover, dBottom, dCtrlEnd, dTypeEnd, bench.ScrollRows());
    return 0;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wstring(argv[1]) == L"wrapswitch") {
        CTextControl::Register();
        return WrapSwitch(static_cast<size_t>(_wtoi(argv[2])));
    }
    if (argc >= 3 && std::wstring(argv[1]) == L"longline") {
        CTextControl::Register();
        return LongLine(_wtoi(argv[2]));
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: TextControlBench edit|own MB [wrap]\n");
        return 2;
    }
    const bool bOwn = std::wstring(argv[1]) == L"own";
    const size_t nMB = static_cast<size_t>(_wtoi(argv[2]));
    const bool bWrap = argc > 3 && std::wstring(argv[3]) == L"wrap";
    CTextControl::Register();

    Bench bench;
    bench.Frame();
    bench.Control(bWrap, L"", bOwn ? CTextControl::kClassName : L"EDIT");
    HWND hCtl = bench.hCtl;
    ::UpdateWindow(hCtl);
    const size_t nBaseBytes = WorkingSetBytes();

    size_t nLines = 0;
    HLOCAL hText = MakeText(nMB, &nLines);
    auto t0 = Clock::now();
    HLOCAL hOld = reinterpret_cast<HLOCAL>(::SendMessageW(hCtl, EM_GETHANDLE, 0, 0));
    ::SendMessageW(hCtl, EM_SETHANDLE, reinterpret_cast<WPARAM>(hText), 0);
    ::LocalFree(hOld);
    ::InvalidateRect(hCtl, nullptr, TRUE);
    ::UpdateWindow(hCtl);
    const double dHandover = Ms(t0) / 1000.0;

    const int nLength = static_cast<int>(::SendMessageW(hCtl, WM_GETTEXTLENGTH, 0, 0));
    t0 = Clock::now();
    ::SendMessageW(hCtl, EM_SETSEL, static_cast<WPARAM>(nLength), nLength);
    ::SendMessageW(hCtl, EM_SCROLLCARET, 0, 0);
    ::UpdateWindow(hCtl);
    const double dCtrlEnd = Ms(t0);

    const double dTypeEnd = bench.TypeAt(-1, 15);
    const double dTypeStart = bench.TypeAt(0, 15);

    t0 = Clock::now();
    const int nEnd = static_cast<int>(::SendMessageW(hCtl, WM_GETTEXTLENGTH, 0, 0)) - 1;
    const auto nLine = ::SendMessageW(hCtl, EM_LINEFROMCHAR, static_cast<WPARAM>(nEnd), 0);
    ::SendMessageW(hCtl, EM_LINEINDEX, static_cast<WPARAM>(nLine), 0);
    const double dLine = Ms(t0);

    // The lock after an edit at the start: the whole text must come together behind it.
    ::SendMessageW(hCtl, EM_SETSEL, 0, 0);
    ::SendMessageW(hCtl, WM_CHAR, L'x', 1);
    const int nFinal = static_cast<int>(::SendMessageW(hCtl, WM_GETTEXTLENGTH, 0, 0));
    t0 = Clock::now();
    HLOCAL hLocked = reinterpret_cast<HLOCAL>(::SendMessageW(hCtl, EM_GETHANDLE, 0, 0));
    const wchar_t* p = static_cast<const wchar_t*>(::LocalLock(hLocked));
    const double dLock = Ms(t0);
    const bool bTerminated = p && p[nFinal] == L'\0' && p[nFinal - 1] == L'あ';
    ::LocalUnlock(hLocked);
    // What the edit history reads for a keystroke at the start instead of the lock: the character
    // removed, copied out without moving the gap (our control only).
    double dRange = 0;
    if (bOwn) {
        ::SendMessageW(hCtl, EM_SETSEL, 0, 0);
        ::SendMessageW(hCtl, WM_CHAR, L'y', 1);
        wchar_t buffer[2] = {};
        CTextControl::ReadRange range{0, 1, buffer};
        t0 = Clock::now();
        ::SendMessageW(hCtl, CTextControl::kMsgReadRange, 0, reinterpret_cast<LPARAM>(&range));
        dRange = Ms(t0);
    }

    const double dExtraMB = static_cast<double>(WorkingSetBytes() - nBaseBytes) / 1048576.0;
    std::printf("%s %zu %s %zu %.3f %.1f %.2f %.2f %.3f %.3f %.0f %.4f%s\n", bOwn ? "own" : "edit", nMB,
                bWrap ? "wrap" : "nowrap", nLines, dHandover, dCtrlEnd, dTypeEnd, dTypeStart, dLine, dLock, dExtraMB,
                dRange, bTerminated ? "" : " (lock: text not terminated)");
    return 0;
}
