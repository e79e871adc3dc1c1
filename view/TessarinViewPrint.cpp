// CTessarinView's printing: the three print steps (preparation, begin, page) with margins, header
// and footer, and the page setup command.
#include "view/TessarinView.h"
#include "framework/Document.h"
#include "framework/FrameworkIds.h"
#include "framework/PrintInfo.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "view/PageSetupDlg.h"
#include "view/PrintPattern.h"

bool IsMetricLocale() {
    wchar_t szMeasure[4] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, szMeasure, 4) > 0 && szMeasure[0] == L'0';
}

bool CTessarinView::OnPreparePrinting(CPrintInfo* pInfo) {
    if (pInfo->GetMaxPage() < pInfo->GetMinPage())
        pInfo->SetMaxPage(pInfo->GetMinPage());
    if (!DoPreparePrinting(pInfo) || !pInfo->m_dc)
        return false;
    if (CWinApp* pApp = AfxGetApp())
        pInfo->m_nNumPreviewPages = pApp->m_nNumPreviewPages;
    pInfo->m_strPageDesc = LoadStringResource(AFX_IDS_PREVIEWPAGEDESC);
    return true;
}

void CTessarinView::OnBeginPrinting(HDC hDC, CPrintInfo* pInfo) {
    CEditView::OnBeginPrinting(hDC, pInfo);
    // Pagination runs over the whole text now, so the dialog's range and the preview know the
    // page count from the start.
    pInfo->m_nCurPage = 0xFFFF;
    OnPrepareDC(hDC, pInfo);
    pInfo->SetMaxPage(static_cast<UINT>(GetPageStarts().size()));
    pInfo->m_nCurPage = 1;
    pInfo->m_bContinuePrinting = true;
}

void CTessarinView::OnPrint(HDC hDC, CPrintInfo* pInfo) {
    HDC hAttrib = pInfo->AttribDC(hDC);
    const RECT rcInset = MarginsToPrinterInset(
        m_settings.m_rcMargins, m_bMetric, ::GetDeviceCaps(hAttrib, LOGPIXELSX), ::GetDeviceCaps(hAttrib, LOGPIXELSY),
        ::GetDeviceCaps(hAttrib, PHYSICALOFFSETX), ::GetDeviceCaps(hAttrib, PHYSICALOFFSETY));
    RECT& rect = pInfo->m_rectDraw;
    const int nPrintable = rect.right;
    rect.left += rcInset.left;
    rect.top += rcInset.top;
    rect.right -= rcInset.right;
    rect.bottom -= rcInset.bottom;
    const UINT nPage = pInfo->m_nCurPage;
    const auto& starts = GetPageStarts();
    if (nPage >= 1 && nPage <= starts.size() && starts[nPage - 1] < GetTextLength()) {
        PrintHeaderLine(m_settings.m_strHeader, false, nPrintable, hDC, pInfo, rect);
        PrintHeaderLine(m_settings.m_strTrailer, true, nPrintable, hDC, pInfo, rect);
    }
    CEditView::OnPrint(hDC, pInfo);
}

void CTessarinView::PrintHeaderLine(const std::wstring& strPattern, bool bFooter, int nPrintable, HDC hDC,
                                    CPrintInfo* pInfo, RECT& rect) {
    HDC hAttrib = pInfo->AttribDC(hDC);
    CSelectObject selectAttrib(hAttrib, GetPrinterFont());
    CSelectObject selectDraw(hDC, hDC != hAttrib ? GetPrinterFont() : nullptr);
    ::SetBkMode(hDC, TRANSPARENT);
    PrintPatternValues values;
    values.nPage = static_cast<int>(pInfo->m_nCurPage);
    if (CDocument* pDoc = GetDocument())
        values.strTitle = pDoc->GetTitle();
    values.date = PrintDateNow;
    values.time = PrintTimeNow;
    const ExpandedPrintLine line = ExpandPrintPattern(strPattern, values);
    if (line.strText.empty())
        return; // nothing printed, nothing moved
    SIZE size{};
    ::GetTextExtentPoint32W(hAttrib, line.strText.c_str(), static_cast<int>(line.strText.size()), &size);
    const int x = PrintLineX(line.align, rect.left, rect.right, nPrintable, size.cx);
    const int y = bFooter ? rect.bottom - size.cy : rect.top;
    if (!pInfo->m_bPaginating)
        ::TextOutW(hDC, x, y, line.strText.c_str(), static_cast<int>(line.strText.size()));
    if (bFooter)
        rect.bottom -= size.cy;
    else
        rect.top += size.cy;
}

void CTessarinView::OnFilePageSetup() {
    CPageSetupDlg dlg(m_settings.m_rcMargins, m_settings.m_strHeader, m_settings.m_strTrailer);
    if (!dlg.DoModal())
        return;
    m_settings.m_rcMargins = dlg.GetMargins();
    m_settings.m_strHeader = dlg.GetHeader();
    m_settings.m_strTrailer = dlg.GetFooter();
}
