#pragma once
// The one rule for sizes that follow the screen's pixel density: every length the program draws or
// sizes itself is given as it is at 96 dots per inch and scaled to the DPI of the window it is for.
#include <windows.h>

constexpr UINT kDefaultDpi = 96;

// The headers aimed at Windows 7 leave out the messages of later systems.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_BEFOREPARENT
#define WM_DPICHANGED_BEFOREPARENT 0x02E2
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

// The system DPI: the screen's LOGPIXELSY, what the stock fonts and the common dialogs are made for.
UINT GetSystemDpi();
// The DPI of the monitor the window is on: the value the window's top-level window last announced
// with WM_DPICHANGED (recorded by AnnounceWindowDpi), else GetDpiForWindow where the system has it
// (Windows 10 1607 and later), else the window's device context (LOGPIXELSY, the system DPI).
UINT GetWindowDpi(HWND hWnd);
// Records the DPI a WM_DPICHANGED gave a top-level window. Windows 8.1 tells a per-monitor program
// its monitor's DPI only this way (it has no GetDpiForWindow); the frame records it for all.
// Zero forgets it (before the window goes).
void AnnounceWindowDpi(HWND hTopLevel, UINT nDpi);

// A length given at 96 DPI, at nDpi (rounded to the nearest pixel; negative lengths too).
int ScaleForDpi(int n, UINT nDpi);
SIZE ScaleForDpi(SIZE size, UINT nDpi);
// A length measured at nFromDpi, at nToDpi (what a window keeps of the user's sizing when it moves
// to a monitor of another DPI).
int RescaleForDpi(int n, UINT nFromDpi, UINT nToDpi);

// A system metric (SM_*) at nDpi: GetSystemMetricsForDpi where the system has it, else the
// system's value scaled from the system DPI.
int GetSystemMetricForDpi(int nIndex, UINT nDpi);
// The non-client metrics (caption, menu, status and message fonts) at nDpi.
bool GetNonClientMetricsForDpi(NONCLIENTMETRICSW& ncm, UINT nDpi);
// The character height (negative lfHeight) of a font of nPoints points at nDpi.
LONG FontHeightForDpi(int nPoints, UINT nDpi);
