// CDialog: modal and modeless dialogs from templates, the binding at WM_INITDIALOG, OK/Cancel and
// help dispatch, and the exchange of control values with their validation messages.
#include "framework/Dialog.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/ModalScope.h"
#include "framework/WinApp.h"
#include <cwchar>

namespace {
// Thrown by CDataExchange::Fail and caught by UpdateData: the user has already been told.
struct CDataExchangeFailed {};

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}
} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) {
    m_hWndLastControl = m_pDlgWnd->GetDlgItem(nIDC);
    m_bEditLastControl = false;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
    HWND hCtl = PrepareCtrl(nIDC);
    m_bEditLastControl = true;
    return hCtl;
}

void CDataExchange::Fail() {
    if (!m_bSaveAndValidate)
        throw CDataExchangeFailed{};
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageW(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw CDataExchangeFailed{};
}

bool ParseDialogInt(const std::wstring& strText, int& value) {
    // The framework's own reading: a text that wcstol turns into 0 counts only when it starts
    // with the digit 0 ("-0" is refused, as it always was).
    const wchar_t* p = strText.c_str();
    while (IsBlank(*p))
        ++p;
    const wchar_t chFirst = *p;
    wchar_t* pEnd = nullptr;
    long lValue = std::wcstol(p, &pEnd, 10);
    if (lValue == 0 && chFirst != L'0')
        return false;
    p = pEnd;
    while (IsBlank(*p))
        ++p;
    if (*p != L'\0')
        return false;
    value = static_cast<int>(lValue);
    return true;
}

static std::wstring ControlText(HWND hCtl) {
    int nLength = ::GetWindowTextLengthW(hCtl);
    std::wstring text(static_cast<size_t>(nLength) + 1, L'\0');
    int n = ::GetWindowTextW(hCtl, text.data(), nLength + 1);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND hCtl = pDX->PrepareEditCtrl(nIDC);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextW(hCtl, std::to_wstring(value).c_str());
        return;
    }
    if (!ParseDialogInt(ControlText(hCtl), value)) {
        AfxMessageBox(AFX_IDP_PARSE_INT);
        pDX->Fail();
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::wstring& value) {
    HWND hCtl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(hCtl);
    else
        ::SetWindowTextW(hCtl, value.c_str());
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND hCtl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(hCtl, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(hCtl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

CDialog::~CDialog() {
    // A modeless dialog is ours to destroy; a modal one has ended before DoModal returned.
    if (m_hWnd && !m_bModal)
        ::DestroyWindow(m_hWnd);
}

HWND CDialog::GetOwnerWindow() const {
    if (m_pParentWnd && m_pParentWnd->m_hWnd)
        return ::GetAncestor(m_pParentWnd->m_hWnd, GA_ROOT);
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd)
        return pApp->m_pMainWnd->m_hWnd;
    return ::GetActiveWindow();
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd)
        return -1;
    // Owned by the main window, whatever window had the focus (a search dialog's box): it and
    // the modeless dialogs take no input while this one runs.
    CModalScope modal;
    m_bModal = true;
    INT_PTR nResult = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate),
                                        modal.Owner() ? modal.Owner() : GetOwnerWindow(), &CDialog::DialogProc,
                                        reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    return nResult;
}

bool CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    if (m_hWnd)
        return false;
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    m_bModal = false;
    HWND hWnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nIDTemplate), GetOwnerWindow(),
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hWnd || m_hWnd != hWnd)
        return false;
    // Tab, Enter and Escape reach a modeless dialog only through the application's loop.
    if (CWinApp* pApp = AfxGetApp())
        pApp->AddDialogFilter(m_hWnd);
    return true;
}

void CDialog::EndDialog(int nResult) {
    if (!m_hWnd)
        return;
    if (m_bModal)
        ::EndDialog(m_hWnd, nResult);
    else
        ::DestroyWindow(m_hWnd);
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CDataExchangeFailed&) {
        return false;
    }
    return true;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    // Before WM_INITDIALOG nothing is bound; afterwards every message comes through the object's
    // WindowProc (the dialog is subclassed), and what it leaves to Default() arrives here to be
    // handled by the dialog manager's own defaults.
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (!pDlg || !pDlg->SubclassWindow(hWnd))
        return TRUE;
    try {
        return pDlg->OnInitDialog();
    } catch (...) {
        // No exception may unwind through the dialog manager.
        if (s_pfnReportException)
            s_pfnReportException(std::current_exception());
        pDlg->EndDialog(-1);
        return FALSE;
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(true))
        return; // the message has been shown and the field has the focus again
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnHelpInfo(HELPINFO*) {
    return FALSE;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_HELP: return OnHelpInfo(reinterpret_cast<HELPINFO*>(lParam)) ? TRUE : Default();
    case WM_NCDESTROY:
        if (!m_bModal)
            if (CWinApp* pApp = AfxGetApp())
                pApp->RemoveDialogFilter(m_hWnd);
        return CWnd::WindowProc(message, wParam, lParam);
    default: return CWnd::WindowProc(message, wParam, lParam);
    }
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    const auto nID = static_cast<UINT>(LOWORD(wParam));
    const auto nCode = static_cast<UINT>(HIWORD(wParam));
    HWND hCtl = reinterpret_cast<HWND>(lParam);
    if (hCtl && CWnd::OnCommand(wParam, lParam))
        return TRUE; // the control's own object took its notification
    // The dialog manager sends IDOK for Enter and IDCANCEL for Escape and the close box, with or
    // without the button's window.
    if (hCtl && nCode != BN_CLICKED)
        return FALSE;
    if (nID == IDOK) {
        OnOK();
        return TRUE;
    }
    if (nID == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return OnCmdMsg(nID, CN_COMMAND, nullptr);
}
