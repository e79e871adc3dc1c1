// Context-help pop-ups: the help viewer's text pop-up first; when it gives no window (Wine's help
// viewer does not implement HH_DISPLAY_TEXT_POPUP) a pop-up window of ours with the same text, font,
// colours and margins, closed by any click, key or loss of activation.
#include "framework/ContextHelp.h"
#include "framework/Dpi.h"
#include "framework/GdiHandles.h"
#include "framework/LateBound.h"
#include "framework/Strings.h"
#include "framework/Wnd.h"
#include <htmlhelp.h>
#include <algorithm>
#include <cwctype>
#include <vector>

namespace {

// Text wider than this is broken into lines (pixels, before the margins).
constexpr int kMaxTextWidth = 360; // at 96 DPI

class CHelpPopupWnd : public CWnd {
public:
    static CHelpPopupWnd* s_pOpen;

    CHelpPopupWnd(std::wstring strText, CFontHandle hFont, UINT nDpi)
        : m_strText(std::move(strText)), m_hFont(std::move(hFont)), m_nDpi(nDpi),
          m_cxMaxText(ScaleForDpi(kMaxTextWidth, nDpi)),
          m_rcMargins{ScaleForDpi(kContextHelpMargins.left, nDpi), ScaleForDpi(kContextHelpMargins.top, nDpi),
                      ScaleForDpi(kContextHelpMargins.right, nDpi), ScaleForDpi(kContextHelpMargins.bottom, nDpi)} {}

    bool Show(POINT pt, HWND hOwner) {
        Layout();
        RECT rc{pt.x, pt.y, pt.x + m_size.cx, pt.y + m_size.cy};
        KeepOnScreen(rc);
        std::wstring strClass = RegisterWndClass(CS_SAVEBITS, ::LoadCursorW(nullptr, IDC_ARROW));
        if (!CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, strClass.c_str(), m_strText.c_str(), WS_POPUP | WS_BORDER, rc,
                      hOwner, 0))
            return false;
        m_bOwnedByWindow = true;
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont.Get()), FALSE);
        s_pOpen = this;
        ShowWindow(SW_SHOW);
        ::UpdateWindow(m_hWnd);
        ::SetCapture(m_hWnd);
        return true;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(m_hFont.Get());
        case WM_SETFONT: return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                Close();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CAPTURECHANGED: Close(); return 0;
        default: return CWnd::WindowProc(message, wParam, lParam);
        }
    }
    void PostNcDestroy() override {
        if (s_pOpen == this)
            s_pOpen = nullptr;
        if (m_bOwnedByWindow)
            delete this; // otherwise creation failed and the caller still owns the object
    }

private:
    void Close() {
        if (m_hWnd && !m_bClosing) {
            m_bClosing = true; // releasing the capture sends WM_CAPTURECHANGED back to us
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        }
    }

    // Breaks the text into lines no wider than kMaxTextWidth: at a blank when the line has one,
    // otherwise between any two characters (Japanese text has no blanks), and at line breaks.
    void Layout() {
        CClientDC dc(nullptr);
        CSelectObject font(dc.Get(), m_hFont.Get());
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc.Get(), &tm);
        m_nLineHeight = tm.tmHeight;
        int nWidest = 0;
        size_t i = 0;
        const size_t n = m_strText.size();
        while (i < n) {
            size_t nBreak = m_strText.find_first_of(L"\r\n", i);
            if (nBreak == std::wstring::npos)
                nBreak = n;
            int nFit = 0;
            SIZE size{};
            ::GetTextExtentExPointW(dc.Get(), m_strText.c_str() + i, static_cast<int>(nBreak - i), m_cxMaxText, &nFit,
                                    nullptr, &size);
            size_t nEnd = i + static_cast<size_t>(std::max(nFit, 1));
            if (nEnd < nBreak) {
                size_t nBlank = m_strText.find_last_of(L' ', nEnd);
                if (nBlank != std::wstring::npos && nBlank > i)
                    nEnd = nBlank;
            } else {
                nEnd = nBreak;
            }
            std::wstring strLine = m_strText.substr(i, nEnd - i);
            ::GetTextExtentPoint32W(dc.Get(), strLine.c_str(), static_cast<int>(strLine.size()), &size);
            nWidest = std::max(nWidest, static_cast<int>(size.cx));
            m_lines.push_back(std::move(strLine));
            i = nEnd;
            while (i < n && m_strText[i] == L' ')
                ++i;
            if (i < n && m_strText[i] == L'\r')
                ++i;
            if (i < n && m_strText[i] == L'\n')
                ++i;
        }
        const int nBorder = 2 * GetSystemMetricForDpi(SM_CXBORDER, m_nDpi);
        m_size.cx = m_rcMargins.left + nWidest + m_rcMargins.right + nBorder;
        m_size.cy = m_rcMargins.top + m_nLineHeight * static_cast<int>(m_lines.size()) + m_rcMargins.bottom + nBorder;
    }

    static void KeepOnScreen(RECT& rc) {
        HMONITOR hMonitor = ::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (!::GetMonitorInfoW(hMonitor, &mi))
            return;
        const RECT& work = mi.rcWork;
        int dx = rc.right > work.right ? work.right - rc.right : 0;
        int dy = rc.bottom > work.bottom ? work.bottom - rc.bottom : 0;
        ::OffsetRect(&rc, dx, dy);
        ::OffsetRect(&rc, rc.left < work.left ? work.left - rc.left : 0, rc.top < work.top ? work.top - rc.top : 0);
    }

    void OnPaint() {
        CPaintDC dc(m_hWnd);
        RECT rc = GetClientRect();
        ::FillRect(dc.Get(), &rc, ::GetSysColorBrush(COLOR_INFOBK));
        CSelectObject font(dc.Get(), m_hFont.Get());
        ::SetBkMode(dc.Get(), TRANSPARENT);
        ::SetTextColor(dc.Get(), ::GetSysColor(COLOR_INFOTEXT));
        int y = m_rcMargins.top;
        for (const std::wstring& strLine : m_lines) {
            ::TextOutW(dc.Get(), m_rcMargins.left, y, strLine.c_str(), static_cast<int>(strLine.size()));
            y += m_nLineHeight;
        }
    }

    std::wstring m_strText;
    CFontHandle m_hFont;
    std::vector<std::wstring> m_lines;
    UINT m_nDpi;
    int m_cxMaxText;  // kMaxTextWidth at the popup's DPI
    RECT m_rcMargins; // kContextHelpMargins at the popup's DPI
    int m_nLineHeight = 0;
    SIZE m_size{};
    bool m_bClosing = false;
    bool m_bOwnedByWindow = false;
};

CHelpPopupWnd* CHelpPopupWnd::s_pOpen = nullptr;

CFontHandle CreateHelpFont(const std::wstring& strFont, UINT nDpi) {
    std::wstring strFace;
    int nPoints = 9;
    if (!ParseHelpFont(strFont, strFace, nPoints))
        return CFontHandle();
    LOGFONTW lf{};
    lf.lfHeight = FontHeightForDpi(nPoints, nDpi);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    strFace.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return CFontHandle(::CreateFontIndirectW(&lf));
}

std::wstring Trim(const std::wstring& str) {
    size_t b = str.find_first_not_of(L" \t");
    if (b == std::wstring::npos)
        return {};
    size_t e = str.find_last_not_of(L" \t");
    return str.substr(b, e - b + 1);
}

} // namespace

bool ParseHelpFont(const std::wstring& strFont, std::wstring& strFace, int& nPoints) {
    size_t nComma = strFont.find(L',');
    strFace = Trim(strFont.substr(0, nComma));
    if (strFace.empty() || strFace.size() >= LF_FACESIZE)
        return false;
    if (nComma == std::wstring::npos)
        return true; // the size stays as it was
    std::wstring strSize = Trim(strFont.substr(nComma + 1, strFont.find(L',', nComma + 1) - nComma - 1));
    if (strSize.empty() || !std::all_of(strSize.begin(), strSize.end(), [](wchar_t c) { return std::iswdigit(c); }))
        return false;
    nPoints = std::stoi(strSize);
    return nPoints > 0;
}

namespace {
std::wstring g_strHelpFont = L"MS Shell Dlg, 9";
} // namespace

void SetContextHelpFont(std::wstring strFont) {
    g_strHelpFont = std::move(strFont);
}

POINT ContextHelpPoint(HWND hCtl) {
    RECT rc{};
    ::GetWindowRect(hCtl, &rc);
    return POINT{rc.left, (rc.top + rc.bottom) / 2};
}

HWND GetContextHelpPopup() {
    return CHelpPopupWnd::s_pOpen ? CHelpPopupWnd::s_pOpen->m_hWnd : nullptr;
}

HWND ShowContextHelpPopup(UINT nIDString, POINT ptScreen, HWND hWndOwner) {
    if (CHelpPopupWnd* pOpen = CHelpPopupWnd::s_pOpen)
        pOpen->DestroyWindow();
    const std::wstring strFont = g_strHelpFont;
    HH_POPUP popup{};
    popup.cbStruct = sizeof(HH_POPUP);
    popup.hinst = ::GetModuleHandleW(nullptr);
    popup.idString = nIDString;
    popup.pt = ptScreen;
    popup.clrForeground = static_cast<COLORREF>(-1);
    popup.clrBackground = static_cast<COLORREF>(-1);
    popup.rcMargins = kContextHelpMargins;
    popup.pszFont = strFont.c_str();
    static const CLateBoundLibrary s_viewer(L"hhctrl.ocx");
    static const auto s_pfnHtmlHelp = s_viewer.Function<decltype(&::HtmlHelpW)>("HtmlHelpW");
    if (HWND hViewer = s_pfnHtmlHelp ? s_pfnHtmlHelp(nullptr, nullptr, HH_DISPLAY_TEXT_POPUP,
                                                     reinterpret_cast<DWORD_PTR>(&popup))
                                     : nullptr)
        return hViewer;

    std::wstring strText = LoadStringResource(nIDString);
    // Shown beside the owner's control, so at the owner's DPI.
    const UINT nDpi = GetWindowDpi(hWndOwner);
    CFontHandle hFont = CreateHelpFont(strFont, nDpi);
    if (strText.empty() || !hFont)
        return nullptr;
    auto* pPopup = new CHelpPopupWnd(std::move(strText), std::move(hFont), nDpi);
    if (!pPopup->Show(ptScreen, hWndOwner)) {
        delete pPopup;
        return nullptr;
    }
    return pPopup->m_hWnd;
}
