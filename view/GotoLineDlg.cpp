// CGotoLineDlg: the two integer fields and the context-help texts of their controls.
#include "view/GotoLineDlg.h"
#include "framework/ContextHelp.h"
#include "res/resource.h"

CGotoLineDlg::CGotoLineDlg(CWnd* pParentWnd) : CDialog(IDD_GOTO_LINE, pParentWnd) {}

BOOL CGotoLineDlg::OnInitDialog() {
    const BOOL bResult = CDialog::OnInitDialog();
    // Over the main window, wherever it stands, not at the template's place near its corner.
    CenterWindow();
    return bResult;
}

void CGotoLineDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_GOTO_LINE, m_nLine);
    DDX_Text(pDX, IDC_GOTO_COLUMN, m_nColumn);
}

UINT CGotoLineDlg::HelpStringFor(int nCtrlId) {
    switch (nCtrlId) {
    case IDOK: return IDS_HELP_GOTO_OK;
    case IDCANCEL: return IDS_HELP_CANCEL;
    case IDC_GOTO_LINE:
    case IDC_GOTO_LINE_LABEL: return IDS_HELP_GOTO_LINE;
    case IDC_GOTO_COLUMN:
    case IDC_GOTO_COLUMN_LABEL: return IDS_HELP_GOTO_COLUMN;
    default: return IDS_HELP_NO_TOPIC;
    }
}

BOOL CGotoLineDlg::OnHelpInfo(HELPINFO* pHelpInfo) {
    if (!pHelpInfo || pHelpInfo->iContextType != HELPINFO_WINDOW)
        return FALSE;
    auto hCtl = static_cast<HWND>(pHelpInfo->hItemHandle);
    if (!hCtl || !::IsWindow(hCtl))
        hCtl = m_hWnd;
    ShowContextHelpPopup(HelpStringFor(pHelpInfo->iCtrlId), ContextHelpPoint(hCtl), m_hWnd);
    return TRUE;
}
