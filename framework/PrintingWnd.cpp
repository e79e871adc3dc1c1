// CPrintingWnd: a caption, the document's name, the page on its way and Cancel, built without a
// dialog template (the framework has no resources of its own).
#include "framework/PrintingWnd.h"
#include "framework/PrintInfo.h"
#include "framework/Strings.h"

bool CPrintingWnd::Create(HWND hOwner, const std::wstring& strDocument) {
    const PrintTexts& texts = GetPrintTexts();
    const std::wstring strClass = RegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW),
                                                   reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    const std::wstring strCaption = LoadStringResource(texts.nPrinting).empty()
                                        ? strDocument
                                        : FormatText(LoadStringResource(texts.nPrinting), {strDocument});
    const int cx = 360, cy = 140;
    RECT rcOwner{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (hOwner && ::IsWindowVisible(hOwner))
        ::GetWindowRect(hOwner, &rcOwner);
    const int x = (rcOwner.left + rcOwner.right - cx) / 2, y = (rcOwner.top + rcOwner.bottom - cy) / 2;
    if (!CreateEx(WS_EX_DLGMODALFRAME, strClass.c_str(), strCaption.c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                  x, y, cx, cy, hOwner, 0))
        return false;
    auto hFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    HWND hName = ::CreateWindowExW(0, L"STATIC", strDocument.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                                   10, 10, cx - 26, 20, m_hWnd, nullptr, nullptr, nullptr);
    m_hPage = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER, 10, 34, cx - 26, 20, m_hWnd,
                                nullptr, nullptr, nullptr);
    HWND hCancel = ::CreateWindowExW(0, L"BUTTON", LoadStringResource(GetPrintTexts().nCancel).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, (cx - 100) / 2 - 3, 62,
                                     100, 26, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)),
                                     nullptr, nullptr);
    for (HWND h : {hName, m_hPage, hCancel})
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    ShowWindow(SW_SHOW);
    ::UpdateWindow(m_hWnd);
    ::SetFocus(hCancel);
    return true;
}

void CPrintingWnd::SetPage(UINT nPage) {
    const std::wstring strFormat = LoadStringResource(GetPrintTexts().nPrintingPage);
    ::SetWindowTextW(m_hPage, FormatText(strFormat.empty() ? L"%d" : strFormat, {std::to_wstring(nPage)}).c_str());
}

bool CPrintingWnd::PumpAndContinue() {
    MSG msg;
    while (!m_bCancelled && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The end of the program was asked for: stop printing and let the loop see it later.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_bCancelled = true;
            break;
        }
        if (m_hWnd && ::IsDialogMessageW(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return !m_bCancelled;
}

BOOL CPrintingWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDCANCEL) {
        m_bCancelled = true;
        return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}
