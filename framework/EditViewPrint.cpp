// CEditView's printing: the page table, the printer font, and the rows of a page drawn from the
// plain layout (PrintLayout.h) with the printer's character widths. The text is read through the
// control's buffer lock and length only, so any control that offers them prints the same way.
#include "framework/EditView.h"
#include "framework/PrintInfo.h"
#include "framework/PrintLayout.h"
#include <algorithm>

void CEditView::OnBeginPrinting(HDC hDC, CPrintInfo* pInfo) {
    m_aPageStart.assign(1, 0);
    m_aCharWidth.assign(0x10000, -1);
    m_clusterWidth.clear();
    m_hPrinterFont.Close();
    HDC hAttrib = pInfo->AttribDC(hDC);
    auto hScreenFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    LOGFONTW lf{};
    if (!hScreenFont) {
        // The control shows the system font: the printer's own default font serves. A copy of it is
        // still selected explicitly, so the preview, which draws on the screen, uses it too.
        if (::GetObjectW(::GetCurrentObject(hAttrib, OBJ_FONT), sizeof lf, &lf))
            m_hPrinterFont.Attach(::CreateFontIndirectW(&lf));
        return;
    }
    if (!::GetObjectW(hScreenFont, sizeof lf, &lf))
        return;
    CClientDC screen(m_hWnd);
    lf.lfHeight =
        ::MulDiv(lf.lfHeight, ::GetDeviceCaps(hAttrib, LOGPIXELSY), ::GetDeviceCaps(screen.Get(), LOGPIXELSY));
    lf.lfWidth = ::MulDiv(lf.lfWidth, ::GetDeviceCaps(hAttrib, LOGPIXELSX), ::GetDeviceCaps(screen.Get(), LOGPIXELSX));
    m_hPrinterFont.Attach(::CreateFontIndirectW(&lf));
}

void CEditView::OnEndPrinting(HDC, CPrintInfo*) {
    m_hPrinterFont.Close();
    m_aCharWidth.clear();
    m_clusterWidth.clear();
}

void CEditView::OnPrepareDC(HDC hDC, CPrintInfo* pInfo) {
    CView::OnPrepareDC(hDC, pInfo);
    if (!pInfo || m_aPageStart.empty())
        return;
    const UINT nWanted = pInfo->m_nCurPage;
    HDC hAttrib = pInfo->AttribDC(hDC);
    const bool bWasPaginating = pInfo->m_bPaginating;
    const RECT rcWasDraw = pInfo->m_rectDraw;
    pInfo->m_bPaginating = true;
    while (m_aPageStart.size() < nWanted) {
        const size_t nKnown = m_aPageStart.size();
        pInfo->m_nCurPage = static_cast<UINT>(nKnown);
        pInfo->m_rectDraw = RECT{0, 0, ::GetDeviceCaps(hAttrib, HORZRES), ::GetDeviceCaps(hAttrib, VERTRES)};
        OnPrint(hDC, pInfo);
        if (m_aPageStart.size() == nKnown)
            break; // the text ends on the last known page
    }
    pInfo->m_bPaginating = bWasPaginating;
    pInfo->m_rectDraw = rcWasDraw;
    pInfo->m_nCurPage = nWanted;
    if (nWanted > m_aPageStart.size() && nWanted != 0xFFFF)
        pInfo->m_bContinuePrinting = false;
}

void CEditView::OnPrint(HDC hDC, CPrintInfo* pInfo) {
    const UINT nPage = pInfo->m_nCurPage;
    if (nPage == 0 || nPage > m_aPageStart.size())
        return;
    PrintInsideRect(hDC, pInfo, pInfo->m_rectDraw, m_aPageStart[nPage - 1]);
}

int CEditView::PrinterClusterWidth(HDC hDC, const wchar_t* p, int n) {
    SIZE size{};
    if (n == 1) {
        int& w = m_aCharWidth[static_cast<unsigned short>(*p)];
        if (w < 0)
            w = ::GetTextExtentPoint32W(hDC, p, 1, &size) ? size.cx : 0;
        return w;
    }
    std::wstring key(p, static_cast<size_t>(n));
    auto it = m_clusterWidth.find(key);
    if (it != m_clusterWidth.end())
        return it->second;
    const int w = ::GetTextExtentPoint32W(hDC, p, n, &size) ? size.cx : 0;
    m_clusterWidth.emplace(std::move(key), w);
    return w;
}

int CEditView::PrintInsideRect(HDC hDC, CPrintInfo* pInfo, const RECT& rect, int nStart) {
    HDC hAttrib = pInfo->AttribDC(hDC);
    if (m_aCharWidth.size() != 0x10000)
        m_aCharWidth.assign(0x10000, -1);
    CSelectObject selectAttrib(hAttrib, m_hPrinterFont.Get());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(hAttrib, &tm);
    const int nLineHeight = (std::max)(1, static_cast<int>(tm.tmHeight + tm.tmExternalLeading));
    PrintRowParams params;
    params.nWidth = (std::max)(0, static_cast<int>(rect.right - rect.left));
    params.nTabWidth = (std::max)(1, m_nTabStops * static_cast<int>(tm.tmAveCharWidth) / 4);
    params.bWrap = (GetStyle() & ES_AUTOHSCROLL) == 0;
    const int nMaxRows = (rect.bottom - rect.top) / nLineHeight;

    std::vector<PrintRow> rows;
    int nNext = nStart;
    {
        const int nLength = GetTextLength();
        CEditBufferLock lock(*this);
        const wchar_t* pText = lock.Get();
        if (!pText)
            return nStart;
        auto width = [this, hAttrib](const wchar_t* p, int n) { return PrinterClusterWidth(hAttrib, p, n); };
        nNext = LayoutPage(pText, nLength, nStart, nMaxRows, params, width, pInfo->m_bPaginating ? nullptr : &rows);
        if (pInfo->m_nCurPage == m_aPageStart.size() && nNext < nLength)
            m_aPageStart.push_back(nNext);
        if (!pInfo->m_bPaginating) {
            CSelectObject selectDraw(hDC, hDC != hAttrib ? m_hPrinterFont.Get() : nullptr);
            ::SetBkMode(hDC, TRANSPARENT);
            std::wstring strRow;
            std::vector<INT> dx;
            int y = rect.top;
            for (const PrintRow& row : rows) {
                // Each cluster is placed at the printer's own width, so the preview and the paper
                // agree, and a tab becomes a blank as wide as the way to its stop.
                strRow.assign(pText + row.nStart, pText + row.nEnd);
                dx.assign(strRow.size(), 0);
                int x = 0;
                for (int i = 0; i < static_cast<int>(strRow.size());) {
                    const int nEnd = ClusterEnd(strRow.c_str(), static_cast<int>(strRow.size()), i);
                    int w = 0;
                    if (strRow[i] == L'\t') {
                        w = (x / params.nTabWidth + 1) * params.nTabWidth - x;
                        strRow[i] = L' ';
                    } else {
                        w = PrinterClusterWidth(hAttrib, strRow.c_str() + i, nEnd - i);
                    }
                    dx[i] = w;
                    x += w;
                    i = nEnd;
                }
                ::ExtTextOutW(hDC, rect.left, y, 0, nullptr, strRow.c_str(), static_cast<UINT>(strRow.size()),
                              dx.data());
                y += nLineHeight;
            }
        }
    }
    return nNext;
}
