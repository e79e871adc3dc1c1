// CAboutDlg: dialog template 100 with its URL button taken over by the link control, which opens
// and shows the same address.
#include "app/AboutDlg.h"
#include "framework/Strings.h"
#include "res/resource.h"

CAboutDlg::CAboutDlg()
    : CDialog(IDD_ABOUTBOX), m_wndLink(LoadStringResource(IDS_ABOUT_URL), LoadStringResource(IDS_ABOUT_URL)) {}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_wndLink.SubclassDlgItem(IDC_ABOUT_LINK, m_hWnd);
    // Over the window it belongs to, wherever that stands, rather than at the screen's corner.
    CenterWindow();
    return TRUE;
}
