// Measures printing's layout on the default printer: pagination of a 10 MB text with the plain
// layout and the printer's character widths (pages per second), and, through a real EDIT control,
// the time from starting a preview to its first page drawn and the time of a page turn.
#include "framework/EditView.h"
#include "framework/PrintInfo.h"
#include "framework/PrintLayout.h"
#include <windows.h>
#include <winspool.h>
#include <algorithm>
#include <iterator>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {
double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The edit view with its print steps reachable from here.
class CBenchView : public CEditView {
public:
    void Begin(HDC hDC, CPrintInfo* pInfo) {
        OnBeginPrinting(hDC, pInfo);
        pInfo->m_nCurPage = 0xFFFF;
        OnPrepareDC(hDC, pInfo);
        pInfo->m_nCurPage = 1;
        pInfo->m_bContinuePrinting = true;
    }
    // Draws page nPage the way the preview does: the screen bitmap mapped onto the printer's page.
    void DrawPage(HDC hScreen, CPrintInfo* pInfo, UINT nPage, int cx, int cy) {
        HDC hPrinter = pInfo->m_dc.Get();
        const int nSaved = ::SaveDC(hScreen);
        ::SetMapMode(hScreen, MM_ANISOTROPIC);
        ::SetWindowExtEx(hScreen, ::GetDeviceCaps(hPrinter, HORZRES), ::GetDeviceCaps(hPrinter, VERTRES), nullptr);
        ::SetViewportExtEx(hScreen, cx, cy, nullptr);
        pInfo->m_nCurPage = nPage;
        OnPrepareDC(hScreen, pInfo);
        pInfo->m_rectDraw = RECT{0, 0, ::GetDeviceCaps(hPrinter, HORZRES), ::GetDeviceCaps(hPrinter, VERTRES)};
        OnPrint(hScreen, pInfo);
        ::RestoreDC(hScreen, nSaved);
    }
    void End(HDC hDC, CPrintInfo* pInfo) { OnEndPrinting(hDC, pInfo); }
};

std::wstring MakeText(size_t nUnits) {
    const std::wstring line = L"Tessarin ベンチマーク用の日本語テキスト：漢字、ひらがな、カタカナ、ASCII 0123456789 ①㈱ "
                              L"and a few more English words to make a long line wrap\r\n";
    std::wstring text;
    text.reserve(nUnits + line.size());
    while (text.size() < nUnits)
        text += line;
    return text;
}
} // namespace

int wmain() {
    wchar_t szPrinter[512] = {};
    DWORD cch = 512;
    if (!::GetDefaultPrinterW(szPrinter, &cch)) {
        std::printf("no default printer\n");
        return 1;
    }
    CPrintInfo info;
    info.m_dc.Attach(::CreateDCW(L"WINSPOOL", szPrinter, nullptr, nullptr));
    HDC hPrinter = info.m_dc.Get();
    info.m_hAttribDC = hPrinter;
    info.m_bPreview = true;
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(10, ::GetDeviceCaps(hPrinter, LOGPIXELSY), 72);
    lf.lfCharSet = SHIFTJIS_CHARSET;
    ::lstrcpyW(lf.lfFaceName, L"IPAGothic");
    HFONT hPrinterFont = ::CreateFontIndirectW(&lf);
    const std::wstring text = MakeText(5 * 1024 * 1024); // 10 MB of UTF-16
    const int nLength = static_cast<int>(text.size());
    std::printf("printer %ls, %d x %d pixels at %d dpi; text %d characters, %.1f MB as UTF-16\n", szPrinter,
                ::GetDeviceCaps(hPrinter, HORZRES), ::GetDeviceCaps(hPrinter, VERTRES),
                ::GetDeviceCaps(hPrinter, LOGPIXELSY), nLength, nLength * 2 / 1048576.0);

    // 1. The plain layout over the whole text with the printer's widths, cached per character.
    {
        HGDIOBJ hOld = ::SelectObject(hPrinter, hPrinterFont);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(hPrinter, &tm);
        std::vector<int> widths(0x10000, -1);
        auto width = [&](const wchar_t* p, int n) {
            SIZE size{};
            if (n == 1 && widths[static_cast<unsigned short>(*p)] >= 0)
                return widths[static_cast<unsigned short>(*p)];
            ::GetTextExtentPoint32W(hPrinter, p, n, &size);
            if (n == 1)
                widths[static_cast<unsigned short>(*p)] = size.cx;
            return static_cast<int>(size.cx);
        };
        const int nRows = (::GetDeviceCaps(hPrinter, VERTRES) * 8 / 10) / (tm.tmHeight + tm.tmExternalLeading);
        for (bool bWrap : {false, true}) {
            PrintRowParams params{::GetDeviceCaps(hPrinter, HORZRES) * 8 / 10, 8 * tm.tmAveCharWidth, bWrap};
            auto t0 = std::chrono::steady_clock::now();
            std::vector<int> pages = PaginateText(text.c_str(), nLength, nRows, params, width);
            const double s = Seconds(t0);
            std::printf("pagination (plain layout, wrap %s): %zu pages in %.3f s, %.0f pages/s\n", bWrap ? "on" : "off",
                        pages.size(), s, pages.size() / s);
        }
        ::SelectObject(hPrinter, hOld);
    }

    // 2. The real view: an EDIT control holding the text, its print steps as the preview runs them.
    HWND hParent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    CBenchView view;
    view.Create(hParent, 1, RECT{0, 0, 800, 600});
    view.RaiseTextLimit();
    LOGFONTW lfScreen = lf;
    HDC hScreenDC = ::GetDC(nullptr);
    lfScreen.lfHeight = -::MulDiv(10, ::GetDeviceCaps(hScreenDC, LOGPIXELSY), 72);
    HFONT hScreenFont = ::CreateFontIndirectW(&lfScreen);
    view.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hScreenFont), FALSE);
    {
        CLocalBlock block(::LocalAlloc(LMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
        CLocalLock lock(block.Get());
        std::copy(text.c_str(), text.c_str() + text.size() + 1, lock.As<wchar_t>());
        auto t0 = std::chrono::steady_clock::now();
        view.SetHandle(std::move(block));
        std::printf("the EDIT control takes the text: %.2f s (not part of printing)\n", Seconds(t0));
    }
    const int cx = 595, cy = 842; // a page the size the preview draws it on a large window
    HDC hMemory = ::CreateCompatibleDC(hScreenDC);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreenDC, cx, cy);
    HGDIOBJ hOldBitmap = ::SelectObject(hMemory, hBitmap);
    for (bool bWrap : {false, true}) {
        if (bWrap) {
            // Word wrap is the control's style; the print steps read it from there.
            ::SetWindowLongW(view.m_hWnd, GWL_STYLE, ::GetWindowLongW(view.m_hWnd, GWL_STYLE) & ~ES_AUTOHSCROLL);
        }
        auto t0 = std::chrono::steady_clock::now();
        view.Begin(hPrinter, &info);
        const double sPaginate = Seconds(t0);
        view.DrawPage(hMemory, &info, 1, cx, cy);
        const double sFirst = Seconds(t0);
        const UINT nPages = static_cast<UINT>(view.GetPageStarts().size());
        double sWorst = 0, sAll = 0;
        const UINT turns[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, nPages / 2, nPages - 1, nPages, 1};
        for (UINT nPage : turns) {
            auto t1 = std::chrono::steady_clock::now();
            view.DrawPage(hMemory, &info, nPage, cx, cy);
            const double s = Seconds(t1);
            sAll += s;
            sWorst = (std::max)(sWorst, s);
        }
        std::printf("preview (view, wrap %s): %u pages; first page drawn after %.3f s (pagination %.3f s); "
                    "page turn %.1f ms on average, %.1f ms at most\n",
                    bWrap ? "on" : "off", nPages, sFirst, sPaginate, 1000 * sAll / std::size(turns), 1000 * sWorst);
        view.End(hPrinter, &info);
    }
    ::SelectObject(hMemory, hOldBitmap);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMemory);
    ::ReleaseDC(nullptr, hScreenDC);
    view.DestroyWindow();
    ::DestroyWindow(hParent);
    ::DeleteObject(hScreenFont);
    ::DeleteObject(hPrinterFont);
    return 0;
}
