#pragma once
// CPageSetupDlg: the platform's page setup dialog on the program's own template, which adds the
// header and footer fields (at most 40 characters each) to paper, orientation, margins and the
// printer button. Margins are in the locale's unit. OK makes the dialog's printer the
// application's selection; Cancel changes nothing.
#include <windows.h>
#include <commdlg.h>
#include <string>

class CPageSetupDlg {
public:
    CPageSetupDlg(const RECT& rcMargins, const std::wstring& strHeader, const std::wstring& strFooter)
        : m_rcMargins(rcMargins), m_strHeader(strHeader), m_strFooter(strFooter) {}

    // Shows the dialog over hOwner; true on OK.
    bool DoModal();

    const RECT& GetMargins() const { return m_rcMargins; }
    const std::wstring& GetHeader() const { return m_strHeader; }
    const std::wstring& GetFooter() const { return m_strFooter; }

private:
    static UINT_PTR CALLBACK HookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

    RECT m_rcMargins;
    std::wstring m_strHeader;
    std::wstring m_strFooter;
    std::wstring m_strReadHeader; // the fields as the dialog closed
    std::wstring m_strReadFooter;
};
