// CWinApp's printer selection (the DEVNAMES and DEVMODE it owns, the default printer, a device
// context for the selection) and the framework's classic print dialog.
#include "framework/CommandLineInfo.h"
#include "framework/PrintInfo.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include <commdlg.h>
#include <winspool.h>

namespace {
PrintTexts g_printTexts;

// A DEVNAMES block locked for reading, with its three strings.
class CDevNamesLock {
public:
    explicit CDevNamesLock(HGLOBAL h) : m_h(h), m_p(h ? static_cast<const DEVNAMES*>(::GlobalLock(h)) : nullptr) {}
    CDevNamesLock(const CDevNamesLock&) = delete;
    CDevNamesLock& operator=(const CDevNamesLock&) = delete;
    ~CDevNamesLock() {
        if (m_p)
            ::GlobalUnlock(m_h);
    }
    explicit operator bool() const { return m_p != nullptr; }
    const wchar_t* Field(WORD wOffset) const { return reinterpret_cast<const wchar_t*>(m_p) + wOffset; }
    const wchar_t* Driver() const { return Field(m_p->wDriverOffset); }
    const wchar_t* Device() const { return Field(m_p->wDeviceOffset); }
    const wchar_t* Output() const { return Field(m_p->wOutputOffset); }

private:
    HGLOBAL m_h;
    const DEVNAMES* m_p;
};

bool PrinterExists(const wchar_t* pszName) {
    HANDLE hPrinter = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(pszName), &hPrinter, nullptr))
        return false;
    ::ClosePrinter(hPrinter);
    return true;
}
} // namespace

void SetPrintTexts(const PrintTexts& texts) {
    g_printTexts = texts;
}
const PrintTexts& GetPrintTexts() {
    return g_printTexts;
}

void CWinApp::SelectPrinter(HGLOBAL hDevNames, HGLOBAL hDevMode, bool bFreeOld) {
    if (!bFreeOld) {
        m_devNames.Detach();
        m_devMode.Detach();
    }
    if (m_devNames.Get() != hDevNames)
        m_devNames.Attach(hDevNames);
    if (m_devMode.Get() != hDevMode)
        m_devMode.Attach(hDevMode);
}

void CWinApp::UpdatePrinterSelection(bool bForceDefaults) {
    if (!bForceDefaults && m_devNames) {
        // A printer removed since it was chosen leaves a selection no device context can be made
        // for: the default printer takes its place.
        CDevNamesLock names(m_devNames.Get());
        if (names && PrinterExists(names.Device()))
            return;
    }
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.Flags = PD_RETURNDEFAULT;
    if (::PrintDlgW(&pd))
        SelectPrinter(pd.hDevNames, pd.hDevMode);
    else if (bForceDefaults || m_devNames)
        SelectPrinter(nullptr, nullptr);
}

bool CWinApp::GetPrinterDeviceDefaults() {
    UpdatePrinterSelection(false);
    return static_cast<bool>(m_devNames);
}

HDC CWinApp::CreatePrinterDC() const {
    CDevNamesLock names(m_devNames.Get());
    if (!names)
        return nullptr;
    const DEVMODEW* pMode = m_devMode ? static_cast<const DEVMODEW*>(::GlobalLock(m_devMode.Get())) : nullptr;
    HDC hDC = ::CreateDCW(names.Driver(), names.Device(), nullptr, pMode);
    if (pMode)
        ::GlobalUnlock(m_devMode.Get());
    return hDC;
}

bool CWinApp::HasPrinter() {
    DWORD cbNeeded = 0, nReturned = 0;
    ::EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &cbNeeded, &nReturned);
    return cbNeeded > 0;
}

bool CWinApp::DoPrintDialog(CPrintInfo* pInfo) {
    UpdatePrinterSelection(false);
    PRINTDLGW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    pd.hDevNames = m_devNames.Get();
    pd.hDevMode = m_devMode.Get();
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nMinPage = static_cast<WORD>(pInfo->GetMinPage());
    pd.nMaxPage = static_cast<WORD>(pInfo->GetMaxPage());
    pd.nFromPage = pd.nMinPage;
    pd.nToPage = pd.nMaxPage;
    pd.nCopies = 1;
    if (!::PrintDlgW(&pd))
        return false;
    // The dialog may have handed back new blocks: they are the selection now.
    SelectPrinter(pd.hDevNames, pd.hDevMode);
    pInfo->m_dc.Attach(pd.hDC);
    pInfo->m_dwFlags = pd.Flags;
    pInfo->m_nCopies = pd.nCopies ? pd.nCopies : 1;
    if (pd.Flags & PD_PAGENUMS) {
        pInfo->m_nFromPage = pd.nFromPage;
        pInfo->m_nToPage = pd.nToPage;
    }
    return static_cast<bool>(pInfo->m_dc);
}
