#pragma once
// CGotoLineDlg: asks for a line and a column (whole numbers, both 1 at the start) and gives context
// help for its controls.
#include "framework/Dialog.h"

class CGotoLineDlg : public CDialog {
public:
    explicit CGotoLineDlg(CWnd* pParentWnd = nullptr);

    int m_nLine = 1;
    int m_nColumn = 1;

    // The help text of a control of the dialog, by control id.
    static UINT HelpStringFor(int nCtrlId);

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;
};
