#pragma once
// CButton: a push button, check box or radio button of a dialog, as a CWnd (subclass it with
// SubclassDlgItem to handle its messages).
#include "framework/Wnd.h"

class CButton : public CWnd {
public:
    CButton() = default;

    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int nCheck) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
    void Click() const { SendMessage(BM_CLICK); }
};
