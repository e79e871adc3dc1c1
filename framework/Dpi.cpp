// GetWindowDpi and the scaling helpers: the per-monitor functions of newer systems are looked up at
// run time, so the program still starts on Windows 7, where the system DPI holds everywhere.
#include "framework/Dpi.h"
#include "framework/GdiHandles.h"
#include "framework/LateBound.h"

namespace {
// The property holding the DPI a WM_DPICHANGED announced to a top-level window.
constexpr wchar_t kAnnouncedDpiProp[] = L"Framework.Dpi";

template <typename Fn> Fn User32Function(const char* pszName) {
    return ModuleFunction<Fn>(::GetModuleHandleW(L"user32.dll"), pszName);
}

using PFNGETDPIFORWINDOW = UINT(WINAPI*)(HWND);
using PFNGETSYSTEMMETRICSFORDPI = int(WINAPI*)(int, UINT);
using PFNSYSTEMPARAMETERSINFOFORDPI = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

void ScaleFont(LOGFONTW& lf, UINT nFromDpi, UINT nToDpi) {
    lf.lfHeight = RescaleForDpi(lf.lfHeight, nFromDpi, nToDpi);
    lf.lfWidth = RescaleForDpi(lf.lfWidth, nFromDpi, nToDpi);
}
} // namespace

UINT GetSystemDpi() {
    CClientDC dc(nullptr);
    const int nDpi = dc.Get() ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return nDpi > 0 ? static_cast<UINT>(nDpi) : kDefaultDpi;
}

UINT GetWindowDpi(HWND hWnd) {
    if (hWnd) {
        if (HWND hRoot = ::GetAncestor(hWnd, GA_ROOT)) {
            const auto nAnnounced = reinterpret_cast<UINT_PTR>(::GetPropW(hRoot, kAnnouncedDpiProp));
            if (nAnnounced != 0)
                return static_cast<UINT>(nAnnounced);
        }
        static const auto pfnGetDpiForWindow = User32Function<PFNGETDPIFORWINDOW>("GetDpiForWindow");
        if (pfnGetDpiForWindow)
            if (UINT nDpi = pfnGetDpiForWindow(hWnd); nDpi != 0)
                return nDpi;
        CClientDC dc(hWnd);
        if (dc.Get())
            if (int nDpi = ::GetDeviceCaps(dc.Get(), LOGPIXELSY); nDpi > 0)
                return static_cast<UINT>(nDpi);
    }
    return GetSystemDpi();
}

void AnnounceWindowDpi(HWND hTopLevel, UINT nDpi) {
    if (!hTopLevel)
        return;
    if (nDpi == 0)
        ::RemovePropW(hTopLevel, kAnnouncedDpiProp);
    else
        ::SetPropW(hTopLevel, kAnnouncedDpiProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nDpi)));
}

int ScaleForDpi(int n, UINT nDpi) {
    return RescaleForDpi(n, kDefaultDpi, nDpi);
}

SIZE ScaleForDpi(SIZE size, UINT nDpi) {
    return SIZE{ScaleForDpi(size.cx, nDpi), ScaleForDpi(size.cy, nDpi)};
}

int RescaleForDpi(int n, UINT nFromDpi, UINT nToDpi) {
    if (nFromDpi == 0 || nFromDpi == nToDpi)
        return n;
    return ::MulDiv(n, static_cast<int>(nToDpi), static_cast<int>(nFromDpi));
}

int GetSystemMetricForDpi(int nIndex, UINT nDpi) {
    static const auto pfnForDpi = User32Function<PFNGETSYSTEMMETRICSFORDPI>("GetSystemMetricsForDpi");
    if (pfnForDpi)
        return pfnForDpi(nIndex, nDpi);
    return RescaleForDpi(::GetSystemMetrics(nIndex), GetSystemDpi(), nDpi);
}

bool GetNonClientMetricsForDpi(NONCLIENTMETRICSW& ncm, UINT nDpi) {
    ncm = NONCLIENTMETRICSW{};
    ncm.cbSize = sizeof(ncm);
    static const auto pfnForDpi = User32Function<PFNSYSTEMPARAMETERSINFOFORDPI>("SystemParametersInfoForDpi");
    if (pfnForDpi && pfnForDpi(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0, nDpi))
        return true;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
        return false;
    // The system's answer is at the system DPI.
    const UINT nSystem = GetSystemDpi();
    for (LOGFONTW* pFont : {&ncm.lfCaptionFont, &ncm.lfSmCaptionFont, &ncm.lfMenuFont, &ncm.lfStatusFont,
                            &ncm.lfMessageFont})
        ScaleFont(*pFont, nSystem, nDpi);
    return true;
}

LONG FontHeightForDpi(int nPoints, UINT nDpi) {
    return -::MulDiv(nPoints, static_cast<int>(nDpi), 72);
}
