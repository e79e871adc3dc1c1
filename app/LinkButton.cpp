// CLinkButton: paints the address as underlined text, shows the pointing hand over it, and opens it
// through the shell on a left-button release; every other mouse press is swallowed so the button
// beneath never looks pressed or takes the focus by mouse.
#include "app/LinkButton.h"
#include "framework/GdiHandles.h"
#include "framework/MessageBox.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <shellapi.h>
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
    }
    return CButton::WindowProc(message, wParam, lParam);
}

void CLinkButton::OnPaint() {
    CPaintDC dc(m_hWnd);
    ::SetBkMode(dc.Get(), TRANSPARENT);
    // All zeros but the underline: the default face and size, underlined.
    LOGFONTW lf{};
    lf.lfUnderline = TRUE;
    CFontHandle font(::CreateFontIndirectW(&lf));
    CSelectObject select(dc.Get(), font.Get());
    ::SetTextColor(dc.Get(), m_nState == kStateClicked ? kColorClicked : kColorNew);
    ::TextOutW(dc.Get(), 1, 1, m_strText.c_str(), static_cast<int>(m_strText.size()));
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
