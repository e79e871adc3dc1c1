#pragma once
// CDialog: a dialog box from a dialog template, modal (DoModal) or modeless (Create), bound to its
// object at WM_INITDIALOG; exchange and validation of control values (DDX_*), and F1 help (WM_HELP).
#include "framework/Wnd.h"
#include <string>

class CDialog;

// What UpdateData hands to DoDataExchange: the direction, and the control that a failed
// validation returns the focus to.
class CDataExchange {
public:
    CDataExchange(CDialog* pDlgWnd, bool bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    bool m_bSaveAndValidate; // true: controls -> members (with validation); false: members -> controls
    CDialog* m_pDlgWnd;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // The value in the last prepared control is not acceptable (the user has been told): the focus
    // goes back to it, an edit field gets its text selected, and the exchange stops.
    [[noreturn]] void Fail();

private:
    HWND m_hWndLastControl = nullptr;
    bool m_bEditLastControl = false;
};

// An integer field. Leading and trailing blanks are allowed; anything else that is not a whole
// number shows "整数を入力してください。" and keeps the dialog open.
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, std::wstring& value);
// A check box: 0 clear, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);

// The framework's reading of an integer field: blanks, an optional sign and digits, blanks.
bool ParseDialogInt(const std::wstring& strText, int& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
    ~CDialog() override; // a modeless dialog still open is destroyed with its object

    // Runs the dialog modally over its owner (disabled meanwhile) and returns what EndDialog was
    // given, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    // Creates the dialog modeless, as a window owned by the parent's top-level window.
    bool Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Ends a modal dialog with this result; destroys a modeless one.
    void EndDialog(int nResult);

    // Moves values between the controls and the members through DoDataExchange; false when a
    // value failed validation.
    bool UpdateData(bool bSaveAndValidate = true);

    UINT GetTemplateID() const { return m_nIDTemplate; }
    bool IsModal() const { return m_bModal; }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }

protected:
    virtual BOOL OnInitDialog(); // exchanges members into the controls; TRUE: default focus
    virtual void OnOK();         // validates, then ends with IDOK
    virtual void OnCancel();     // ends with IDCANCEL
    virtual void DoDataExchange(CDataExchange*) {}
    // F1 or the caption's help button on a control (WM_HELP); FALSE leaves it to the default.
    virtual BOOL OnHelpInfo(HELPINFO* pHelpInfo);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // OK and Cancel (buttons, Enter, Escape) go to OnOK and OnCancel; other buttons are commands
    // of the dialog's route (OnOwnCmdMsg).
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // The window that owns the dialog: the parent's top-level window, else the main window, else
    // the active window.
    HWND GetOwnerWindow() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bModal = false;
};
