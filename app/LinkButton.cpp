// CLinkButton: paints the address as underlined text, shows the pointing hand over it, and opens it
// through the shell on a left-button release; every other mouse press, Space, and whatever else would
// have the button beneath paint itself is kept from it, so it never shows as a push button.
#include "app/LinkButton.h"
#include "framework/Dpi.h"
#include "framework/GdiHandles.h"
#include "framework/MessageBox.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <shellapi.h>
#include <algorithm>
#include <utility>

namespace {
constexpr COLORREF kColorNew = RGB(0, 0, 255);
constexpr COLORREF kColorClicked = RGB(0, 0, 150);
} // namespace

CLinkButton::CLinkButton(std::wstring strTarget, std::wstring strText)
    : m_strTarget(std::move(strTarget)), m_strText(std::move(strText)) {}

LRESULT CLinkButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return TRUE; // WM_PAINT fills the background itself
    case WM_SETCURSOR: return OnSetCursor() ? TRUE : Default();
    case WM_LBUTTONUP: OnClick(); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK: return 0;
    // The push button beneath paints itself at once, not through WM_PAINT, when it is pressed
    // (Space), takes or loses the focus, becomes the default button or the keyboard cues change:
    // a button frame and the template's caption would stay over the link. None of that reaches
    // it; the link repaints itself instead.
    case WM_GETDLGCODE: return DLGC_BUTTON; // a tab stop, but never the default push button
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (wParam == VK_SPACE)
            return 0; // only a mouse release opens the page
        return CButton::WindowProc(message, wParam, lParam);
    case BM_SETSTATE: return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Repaint(); return 0;
    case BM_SETSTYLE:
        DefWindowProc(message, wParam, FALSE);
        Repaint();
        return 0;
    case WM_UPDATEUISTATE:
    case WM_ENABLE:
        ::DefWindowProcW(m_hWnd, message, wParam, lParam);
        Repaint();
        return 0;
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CLinkButton::Repaint() const {
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CLinkButton::OnPaint() {
    CPaintDC dc(m_hWnd);
    RECT rcClient{};
    ::GetClientRect(m_hWnd, &rcClient);
    // The dialog's own background, as it would give it to a button.
    auto hBrush = reinterpret_cast<HBRUSH>(::SendMessageW(
        ::GetParent(m_hWnd), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(m_hWnd)));
    ::FillRect(dc.Get(), &rcClient, hBrush ? hBrush : ::GetSysColorBrush(COLOR_BTNFACE));
    ::SetBkMode(dc.Get(), TRANSPARENT);
    // The dialog's font, underlined: the dialog manager made it for the dialog's DPI, and the
    // template sized the control in its units.
    LOGFONTW lf{};
    auto hDialogFont = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(m_hWnd), WM_GETFONT, 0, 0));
    if (!hDialogFont || !::GetObjectW(hDialogFont, sizeof lf, &lf)) {
        lf = LOGFONTW{};
        lf.lfHeight = FontHeightForDpi(9, GetWindowDpi(m_hWnd));
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    lf.lfUnderline = TRUE;
    CFontHandle font(::CreateFontIndirectW(&lf));
    CSelectObject select(dc.Get(), font.Get());
    ::SetTextColor(dc.Get(), m_nState == kStateClicked ? kColorClicked : kColorNew);
    // One pixel (at 96 DPI) in from the left for the focus rectangle; the text's cell is as high as
    // the control.
    const int cxInset = ScaleForDpi(1, GetWindowDpi(m_hWnd));
    ::TextOutW(dc.Get(), cxInset, 0, m_strText.c_str(), static_cast<int>(m_strText.size()));
    // Keyboard users see where the focus is, as on any control they can tab to.
    const auto nUiState = static_cast<UINT>(::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0));
    if (::GetFocus() == m_hWnd && !(nUiState & UISF_HIDEFOCUS)) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc.Get(), m_strText.c_str(), static_cast<int>(m_strText.size()), &size);
        RECT rcFocus{0, 0, std::min<LONG>(size.cx + 2 * cxInset, rcClient.right), rcClient.bottom};
        ::DrawFocusRect(dc.Get(), &rcFocus);
    }
}

bool CLinkButton::OnSetCursor() {
    HCURSOR hHand = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    if (!hHand)
        return false;
    ::SetCursor(hHand);
    return true;
}

void CLinkButton::OnClick() {
    // The new colour shows at once, before the browser takes its time to start.
    m_nState = kStateClicked;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    CWaitCursor wait;

    std::wstring strDir(::GetCurrentDirectoryW(0, nullptr), L'\0');
    strDir.resize(::GetCurrentDirectoryW(static_cast<DWORD>(strDir.size()), strDir.data()));
    CWinApp* pApp = AfxGetApp();
    HWND hOwner = pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
    auto nResult = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(hOwner, nullptr, m_strTarget.c_str(), nullptr, strDir.c_str(), SW_HIDE));
    if (nResult <= 32) {
        const bool bNotFound = nResult == ERROR_FILE_NOT_FOUND || nResult == ERROR_PATH_NOT_FOUND;
        AfxMessageBox(bNotFound ? IDS_LINK_URL_NOT_FOUND : IDS_LINK_BROWSER_FAILED, MB_ICONHAND);
    }
}
