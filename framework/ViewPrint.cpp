// CView's print loop: the printer for the run, the pages of the range for each copy with the
// abort window, and the print commands. A failure of the printer is told, never passed over.
#include "framework/CommandLineInfo.h"
#include "framework/Document.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/PrintInfo.h"
#include "framework/PrintingWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include <commdlg.h>

namespace {
CPrintingWnd* g_pPrinting = nullptr;

// Called by GDI while a page is spooled: the abort window gets its messages.
BOOL CALLBACK PrintAbortProc(HDC, int) {
    return g_pPrinting ? g_pPrinting->PumpAndContinue() : TRUE;
}

void TellUser(UINT nIDText) {
    if (nIDText)
        AfxMessageBox(nIDText, MB_OK | MB_ICONEXCLAMATION);
}
} // namespace

bool CView::DoPreparePrinting(CPrintInfo* pInfo) {
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return false;
    // Without any printer the print dialog cannot even open: the user is told why nothing happens.
    if (!CWinApp::HasPrinter()) {
        TellUser(GetPrintTexts().nNoPrinter);
        return false;
    }
    if (pInfo->m_bPreview || pInfo->m_bDirect) {
        const CCommandLineInfo* pCmd = pApp->m_pCmdInfo;
        if (pInfo->m_bDirect && pCmd && pCmd->m_nShellCommand == CCommandLineInfo::FilePrintTo) {
            // The shell names the printer; the driver name it passes is not a display driver.
            pInfo->m_dc.Attach(::CreateDCW(L"WINSPOOL", pCmd->m_strPrinterName.c_str(), nullptr, nullptr));
        } else if (!pInfo->m_dc) {
            if (pApp->GetPrinterDeviceDefaults())
                pInfo->m_dc.Attach(pApp->CreatePrinterDC());
            else if (!pApp->DoPrintDialog(pInfo))
                return false;
        }
        if (!pInfo->m_dc) {
            TellUser(GetPrintTexts().nPrintFailed);
            return false;
        }
        pInfo->SetMinPage(1);
        pInfo->SetMaxPage(0xFFFF);
        return true;
    }
    return pApp->DoPrintDialog(pInfo) && pInfo->m_dc;
}

void CView::OnFilePrint(bool bDirect) {
    CPrintInfo info;
    info.m_bDirect = bDirect;
    if (!OnPreparePrinting(&info) || !info.m_dc)
        return;
    HDC hDC = info.m_dc.Get();
    std::wstring strTitle = m_pDocument ? m_pDocument->GetTitle() : std::wstring();

    CWinApp* pApp = AfxGetApp();
    HWND hMain = pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
    OnBeginPrinting(hDC, &info);
    CPrintingWnd wndPrinting;
    const bool bMainEnabled = hMain && ::IsWindowEnabled(hMain);
    if (bMainEnabled)
        ::EnableWindow(hMain, FALSE);
    wndPrinting.Create(hMain, strTitle);
    g_pPrinting = &wndPrinting;
    ::SetAbortProc(hDC, PrintAbortProc);

    DOCINFOW docInfo{};
    docInfo.cbSize = sizeof docInfo;
    docInfo.lpszDocName = strTitle.c_str();
    bool bFailed = ::StartDocW(hDC, &docInfo) <= 0;
    const UINT nFrom = info.GetFromPage(), nTo = info.GetToPage();
    const int nCopies = info.m_nCopies < 1 ? 1 : info.m_nCopies;
    for (int nCopy = 0; !bFailed && nCopy < nCopies && info.m_bContinuePrinting; ++nCopy) {
        for (UINT nPage = nFrom; nPage <= nTo && !bFailed; ++nPage) {
            info.m_nCurPage = nPage;
            OnPrepareDC(hDC, &info);
            if (!info.m_bContinuePrinting || !wndPrinting.PumpAndContinue())
                break;
            wndPrinting.SetPage(nPage);
            if (::StartPage(hDC) <= 0) {
                bFailed = true;
                break;
            }
            info.m_rectDraw = RECT{0, 0, ::GetDeviceCaps(hDC, HORZRES), ::GetDeviceCaps(hDC, VERTRES)};
            OnPrint(hDC, &info);
            if (::EndPage(hDC) <= 0)
                bFailed = true;
        }
    }
    const bool bCancelled = wndPrinting.IsCancelled();
    if (bFailed || bCancelled)
        ::AbortDoc(hDC);
    else if (::EndDoc(hDC) <= 0)
        bFailed = true;
    g_pPrinting = nullptr;
    if (bMainEnabled)
        ::EnableWindow(hMain, TRUE);
    wndPrinting.DestroyWindow();
    OnEndPrinting(hDC, &info);
    if (bFailed && !bCancelled)
        TellUser(GetPrintTexts().nPrintFailed);
}

bool CView::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_FILE_PRINT: return Handle(nCode, pExtra, [this] { OnFilePrint(false); });
    case ID_FILE_PRINT_DIRECT: return Handle(nCode, pExtra, [this] { OnFilePrint(true); });
    case ID_FILE_PRINT_PREVIEW: return Handle(nCode, pExtra, [this] { OnFilePrintPreview(); });
    default: return CWnd::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
