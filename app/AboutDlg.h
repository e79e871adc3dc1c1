#pragma once
// CAboutDlg: the modal About box with the program's icon, name, version, notice line and a link to
// the project's web page.
#include "app/LinkButton.h"
#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

    CLinkButton& Link() { return m_wndLink; }

protected:
    BOOL OnInitDialog() override;

private:
    CLinkButton m_wndLink;
};
