// CPageSetupDlg: PageSetupDlgW with our template and a hook that fills and reads the header and
// footer fields; the printer blocks it is given are copies, so a cancelled dialog leaves the
// application's selection as it was.
#include "view/PageSetupDlg.h"
#include "framework/ModalScope.h"
#include "framework/GlobalBlock.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <cstring>

namespace {
constexpr int kMaxPrintLine = 40;

// A copy of a global block, or null.
HGLOBAL CopyGlobal(HGLOBAL hSource) {
    if (!hSource)
        return nullptr;
    const SIZE_T cb = ::GlobalSize(hSource);
    CGlobalBlock hCopy(::GlobalAlloc(GMEM_MOVEABLE, cb));
    if (!hCopy)
        return nullptr;
    void* pTo = ::GlobalLock(hCopy.Get());
    const void* pFrom = ::GlobalLock(hSource);
    if (pTo && pFrom)
        std::memcpy(pTo, pFrom, cb);
    if (pFrom)
        ::GlobalUnlock(hSource);
    if (pTo)
        ::GlobalUnlock(hCopy.Get());
    return pTo && pFrom ? hCopy.Detach() : nullptr;
}

std::wstring ItemText(HWND hDlg, int nID) {
    HWND hItem = ::GetDlgItem(hDlg, nID);
    const int n = hItem ? ::GetWindowTextLengthW(hItem) : 0;
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    if (n > 0)
        ::GetWindowTextW(hItem, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}
} // namespace

UINT_PTR CALLBACK CPageSetupDlg::HookProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* pThis = reinterpret_cast<CPageSetupDlg*>(reinterpret_cast<PAGESETUPDLGW*>(lParam)->lCustData);
        ::SetPropW(hDlg, L"Tessarin.PageSetup", pThis);
        for (auto [nID, pText] : {std::pair{IDC_PRINT_HEADER, &pThis->m_strHeader},
                                  std::pair{IDC_PRINT_FOOTER, &pThis->m_strFooter}}) {
            ::SendDlgItemMessageW(hDlg, nID, EM_LIMITTEXT, kMaxPrintLine, 0);
            ::SetDlgItemTextW(hDlg, nID, pText->c_str());
        }
        return FALSE;
    }
    case WM_DESTROY:
        // Read back on OK and Cancel alike; only OK keeps what was read.
        if (auto* pThis = static_cast<CPageSetupDlg*>(::RemovePropW(hDlg, L"Tessarin.PageSetup"))) {
            pThis->m_strReadHeader = ItemText(hDlg, IDC_PRINT_HEADER);
            pThis->m_strReadFooter = ItemText(hDlg, IDC_PRINT_FOOTER);
        }
        return FALSE;
    default: return FALSE;
    }
}

bool CPageSetupDlg::DoModal() {
    CWinApp* pApp = AfxGetApp();
    // Like every modal window of the program: owned by the main window, which takes no input
    // (nor do the search dialogs) until the dialog is gone.
    CModalScope modal;
    PAGESETUPDLGW psd{};
    psd.lStructSize = sizeof psd;
    psd.hwndOwner = modal.Owner();
    psd.hDevMode = pApp ? CopyGlobal(pApp->GetDevMode()) : nullptr;
    psd.hDevNames = pApp ? CopyGlobal(pApp->GetDevNames()) : nullptr;
    psd.Flags = PSD_MARGINS | PSD_ENABLEPAGESETUPTEMPLATE | PSD_ENABLEPAGESETUPHOOK;
    psd.rtMargin = m_rcMargins;
    psd.hInstance = ::GetModuleHandleW(nullptr);
    psd.lpPageSetupTemplateName = MAKEINTRESOURCEW(IDD_PAGE_SETUP);
    psd.lpfnPageSetupHook = &CPageSetupDlg::HookProc;
    psd.lCustData = reinterpret_cast<LPARAM>(this);
    const bool bOK = ::PageSetupDlgW(&psd) != FALSE;
    CGlobalBlock hDevMode(psd.hDevMode), hDevNames(psd.hDevNames);
    if (!bOK)
        return false;
    m_rcMargins = psd.rtMargin;
    m_strHeader = m_strReadHeader;
    m_strFooter = m_strReadFooter;
    if (pApp && hDevNames)
        pApp->SelectPrinter(hDevNames.Detach(), hDevMode.Detach());
    return true;
}
