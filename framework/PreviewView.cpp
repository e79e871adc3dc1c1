// CPreviewView: the bar of buttons, the pages drawn through the view's print steps with the
// printer measuring, paging, zoom and scrolling.
#include "framework/PreviewView.h"
#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiHandles.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include <algorithm>
#include <iterator>

namespace {
// Lengths at 96 DPI; the preview scales them to its window's DPI.
constexpr int kBarHeight = 32;
constexpr int kGap = 12; // around and between pages

struct BarButton {
    UINT nID;
    UINT PrintTexts::*pText;
};
const BarButton kButtons[] = {
    {AFX_ID_PREVIEW_PRINT, &PrintTexts::nPreviewPrint},     {AFX_ID_PREVIEW_NEXT, &PrintTexts::nPreviewNext},
    {AFX_ID_PREVIEW_PREV, &PrintTexts::nPreviewPrev},       {AFX_ID_PREVIEW_NUMPAGE, &PrintTexts::nPreviewTwoPages},
    {AFX_ID_PREVIEW_ZOOMIN, &PrintTexts::nPreviewZoomIn},   {AFX_ID_PREVIEW_ZOOMOUT, &PrintTexts::nPreviewZoomOut},
    {AFX_ID_PREVIEW_CLOSE, &PrintTexts::nPreviewClose}};

// "page %u" or "pages %u-%u" from the two-line page description.
std::wstring PageDescription(const std::wstring& strDesc, UINT nFirst, UINT nLast) {
    const size_t nBreak = strDesc.find(L'\n');
    std::wstring line = nFirst == nLast || nBreak == std::wstring::npos
                            ? strDesc.substr(0, nBreak)
                            : strDesc.substr(nBreak + 1, strDesc.find(L'\n', nBreak + 1) - nBreak - 1);
    for (UINT n : {nFirst, nLast}) {
        const size_t pos = line.find(L"%u");
        if (pos != std::wstring::npos)
            line.replace(pos, 2, std::to_wstring(n));
    }
    return line;
}
} // namespace

void CView::OnFilePrintPreview() {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr;
    if (pFrame && !pFrame->GetPreviewWindow())
        CPreviewView::Start(this, pFrame);
}

bool CPreviewView::Start(CView* pView, CFrameWnd* pFrame) {
    auto* pPreview = new CPreviewView(pView, pFrame);
    pPreview->m_info.m_bPreview = true;
    if (!pView->OnPreparePrinting(&pPreview->m_info) || !pPreview->m_info.m_dc) {
        delete pPreview;
        return false;
    }
    HDC hPrinter = pPreview->m_info.m_dc.Get();
    pPreview->m_info.m_hAttribDC = hPrinter;
    pView->OnBeginPrinting(hPrinter, &pPreview->m_info);
    pPreview->m_nNumPages = pPreview->m_info.m_nNumPreviewPages == 2 ? 2 : 1;
    if (!pPreview->Create()) {
        pView->OnEndPrinting(hPrinter, &pPreview->m_info);
        delete pPreview;
        return false;
    }
    return true;
}

int CPreviewView::BarHeight() const {
    return Scale(kBarHeight);
}

int CPreviewView::Gap() const {
    return Scale(kGap);
}

bool CPreviewView::Create() {
    const std::wstring strClass = RegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursorW(nullptr, IDC_ARROW),
                                                   reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1));
    if (!CreateEx(0, strClass.c_str(), L"", WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, RECT{0, 0, 0, 0},
                  m_pFrame->m_hWnd, AFX_IDW_PREVIEW))
        return false;
    const PrintTexts& texts = GetPrintTexts();
    // The bar's lengths and font follow the DPI of the monitor the frame is on (the stock GUI font
    // is the system DPI's).
    m_nDpi = GetWindowDpi(m_hWnd);
    NONCLIENTMETRICSW ncm{};
    if (GetNonClientMetricsForDpi(ncm, m_nDpi))
        m_font.Attach(::CreateFontIndirectW(&ncm.lfMessageFont));
    auto hFont = m_font ? m_font.Get() : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    int x = Scale(4);
    for (const BarButton& button : kButtons) {
        HWND h = ::CreateWindowExW(0, L"BUTTON", LoadStringResource(texts.*button.pText).c_str(),
                                   WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, Scale(4), Scale(80),
                                   BarHeight() - Scale(8), m_hWnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(button.nID)), nullptr, nullptr);
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
        x += Scale(84);
    }
    m_hDesc = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, x + Scale(6),
                                Scale(4), Scale(200), BarHeight() - Scale(8), m_hWnd, nullptr, nullptr, nullptr);
    ::SendMessageW(m_hDesc, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    if (CWnd* pView = m_pView)
        pView->ShowWindow(SW_HIDE);
    m_pFrame->SetPreviewWindow(this);
    ShowWindow(SW_SHOW);
    UpdateBar();
    SetFocus();
    return true;
}

void CPreviewView::Close() {
    HDC hPrinter = m_info.m_dc.Get();
    m_pView->OnEndPrinting(hPrinter, &m_info);
    m_pFrame->SetPreviewWindow(nullptr);
    m_pView->ShowWindow(SW_SHOW);
    m_pView->SetFocus();
    m_pFrame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    DestroyWindow(); // deletes this
}

void CPreviewView::UpdateBar() {
    const UINT nCount = GetPageCount();
    const UINT nLast = (std::min)(nCount, m_nPage + m_nNumPages - 1);
    const std::wstring strPages = PageDescription(m_info.m_strPageDesc, m_nPage, nLast);
    const std::wstring strFormat = LoadStringResource(GetPrintTexts().nPreviewPageCount);
    const std::wstring strText =
        strFormat.empty() ? strPages : FormatText(strFormat, {strPages, std::to_wstring(nCount)});
    ::SetWindowTextW(m_hDesc, strText.c_str());
    SetWindowText(strText.c_str());
    m_pFrame->SetMessageText(strPages);
    const PrintTexts& texts = GetPrintTexts();
    ::SetDlgItemTextW(m_hWnd, AFX_ID_PREVIEW_NUMPAGE,
                      LoadStringResource(m_nNumPages == 1 ? texts.nPreviewTwoPages : texts.nPreviewOnePage).c_str());
    ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_NEXT), nLast < nCount);
    ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_PREV), m_nPage > 1);
    ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_NUMPAGE), m_nZoom == 0);
    ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_ZOOMIN), m_nZoom < 2);
    ::EnableWindow(::GetDlgItem(m_hWnd, AFX_ID_PREVIEW_ZOOMOUT), m_nZoom > 0);
    UpdateScrollBars();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPreviewView::PageRects(RECT* pRects, int& nCount) const {
    const RECT rcClient = GetClientRect();
    const int cxArea = (std::max)(1, static_cast<int>(rcClient.right) - 2 * Gap());
    const int cyArea = (std::max)(1, static_cast<int>(rcClient.bottom) - BarHeight() - 2 * Gap());
    HDC hPrinter = m_info.m_dc.Get();
    const double cxPaper = (std::max)(1, ::GetDeviceCaps(hPrinter, HORZRES));
    const double cyPaper = (std::max)(1, ::GetDeviceCaps(hPrinter, VERTRES));
    nCount = m_nZoom == 0 ? static_cast<int>(m_nNumPages) : 1;
    const double dFit = (std::min)((cxArea - (nCount - 1) * Gap()) / (nCount * cxPaper), cyArea / cyPaper);
    const double dScale = dFit * (1 << m_nZoom);
    const int cx = static_cast<int>(cxPaper * dScale), cy = static_cast<int>(cyPaper * dScale);
    const int cxAll = nCount * cx + (nCount - 1) * Gap();
    int x = Gap() + (std::max)(0, (cxArea - cxAll) / 2) - m_ptScroll.x;
    const int y = BarHeight() + Gap() + (std::max)(0, (cyArea - cy) / 2) - m_ptScroll.y;
    for (int i = 0; i < nCount; ++i, x += cx + Gap())
        pRects[i] = RECT{x, y, x + cx, y + cy};
}

void CPreviewView::UpdateScrollBars() {
    RECT rcPages[2];
    int nCount = 0;
    POINT ptSaved = m_ptScroll;
    m_ptScroll = POINT{0, 0};
    PageRects(rcPages, nCount);
    const RECT rcClient = GetClientRect();
    const int cxContent = rcPages[nCount - 1].right + Gap(), cyContent = rcPages[0].bottom + Gap() - BarHeight();
    const int cxView = rcClient.right, cyView = rcClient.bottom - BarHeight();
    m_ptScroll.x = m_nZoom ? (std::max)(0L, (std::min)(ptSaved.x, static_cast<LONG>(cxContent - cxView))) : 0;
    m_ptScroll.y = m_nZoom ? (std::max)(0L, (std::min)(ptSaved.y, static_cast<LONG>(cyContent - cyView))) : 0;
    SCROLLINFO si{sizeof si, SIF_ALL | SIF_DISABLENOSCROLL};
    si.nMax = m_nZoom ? cxContent - 1 : 0;
    si.nPage = static_cast<UINT>((std::max)(1, cxView));
    si.nPos = m_ptScroll.x;
    ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    si.nMax = m_nZoom ? cyContent - 1 : 0;
    si.nPage = static_cast<UINT>((std::max)(1, cyView));
    si.nPos = m_ptScroll.y;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
}

void CPreviewView::OnScroll(int nBar, UINT nCode) {
    SCROLLINFO si{sizeof si, SIF_ALL};
    ::GetScrollInfo(m_hWnd, nBar, &si);
    int nPos = si.nPos;
    switch (nCode) {
    case SB_LINEUP: nPos -= 40; break;
    case SB_LINEDOWN: nPos += 40; break;
    case SB_PAGEUP: nPos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: nPos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: nPos = si.nTrackPos; break;
    default: return;
    }
    (nBar == SB_HORZ ? m_ptScroll.x : m_ptScroll.y) = nPos;
    UpdateScrollBars();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CPreviewView::OnPaint() {
    CPaintDC paint(m_hWnd);
    const RECT rcClient = GetClientRect();
    const int cx = (std::max)(1L, rcClient.right), cy = (std::max)(1L, rcClient.bottom);
    // Drawn in a bitmap first: a page is many rows of text, and the window should not flicker.
    CMemoryDC memory(::CreateCompatibleDC(paint.Get()));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(paint.Get(), cx, cy));
    CSelectObject selectBitmap(memory.Get(), bitmap.Get());
    RECT rcArea{0, BarHeight(), cx, cy};
    ::FillRect(memory.Get(), &rcClient, ::GetSysColorBrush(COLOR_BTNFACE));
    ::FillRect(memory.Get(), &rcArea, ::GetSysColorBrush(COLOR_APPWORKSPACE));
    RECT rcPages[2];
    int nCount = 0;
    PageRects(rcPages, nCount);
    for (int i = 0; i < nCount && m_nPage + i <= GetPageCount(); ++i)
        PaintPage(memory.Get(), rcPages[i], m_nPage + i);
    ::BitBlt(paint.Get(), 0, BarHeight(), cx, cy - BarHeight(), memory.Get(), 0, BarHeight(), SRCCOPY);
}

void CPreviewView::PaintPage(HDC hDC, const RECT& rcPage, UINT nPage) {
    RECT rcShadow = rcPage;
    ::OffsetRect(&rcShadow, 3, 3);
    ::FillRect(hDC, &rcShadow, static_cast<HBRUSH>(::GetStockObject(DKGRAY_BRUSH)));
    ::FillRect(hDC, &rcPage, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::FrameRect(hDC, &rcPage, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    HDC hPrinter = m_info.m_dc.Get();
    const int cxPaper = ::GetDeviceCaps(hPrinter, HORZRES), cyPaper = ::GetDeviceCaps(hPrinter, VERTRES);
    const int nSaved = ::SaveDC(hDC);
    ::IntersectClipRect(hDC, rcPage.left, rcPage.top, rcPage.right, rcPage.bottom);
    ::SetMapMode(hDC, MM_ANISOTROPIC);
    ::SetWindowExtEx(hDC, cxPaper, cyPaper, nullptr);
    ::SetViewportExtEx(hDC, rcPage.right - rcPage.left, rcPage.bottom - rcPage.top, nullptr);
    ::SetViewportOrgEx(hDC, rcPage.left, rcPage.top, nullptr);
    ::SetTextColor(hDC, RGB(0, 0, 0));
    m_info.m_nCurPage = nPage;
    m_info.m_bContinuePrinting = true;
    m_pView->OnPrepareDC(hDC, &m_info);
    if (m_info.m_bContinuePrinting) {
        m_info.m_rectDraw = RECT{0, 0, cxPaper, cyPaper};
        m_pView->OnPrint(hDC, &m_info);
    }
    m_info.m_nCurPage = m_nPage;
    ::RestoreDC(hDC, nSaved);
}

void CPreviewView::GoToPage(UINT nPage) {
    const UINT nCount = GetPageCount();
    m_nPage = (std::max)(1u, (std::min)(nPage, nCount));
    UpdateBar();
}

void CPreviewView::SetNumPages(UINT nPages) {
    m_nNumPages = nPages;
    if (CWinApp* pApp = AfxGetApp())
        pApp->m_nNumPreviewPages = nPages; // kept for the next preview, and stored at the end
    UpdateBar();
}

void CPreviewView::Zoom(int nStep) {
    m_nZoom = (std::max)(0, (std::min)(2, m_nZoom + nStep));
    UpdateBar();
}

bool CPreviewView::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case AFX_ID_PREVIEW_NEXT:
        return Handle(nCode, pExtra, [this] { GoToPage(m_nPage + m_nNumPages); });
    case AFX_ID_PREVIEW_PREV:
        return Handle(nCode, pExtra, [this] { GoToPage(m_nPage > m_nNumPages ? m_nPage - m_nNumPages : 1); });
    case AFX_ID_PREVIEW_NUMPAGE: return Handle(nCode, pExtra, [this] { SetNumPages(m_nNumPages == 1 ? 2 : 1); });
    case AFX_ID_PREVIEW_ZOOMIN: return Handle(nCode, pExtra, [this] { Zoom(1); });
    case AFX_ID_PREVIEW_ZOOMOUT: return Handle(nCode, pExtra, [this] { Zoom(-1); });
    case AFX_ID_PREVIEW_CLOSE:
    case ID_FILE_PRINT_PREVIEW: return Handle(nCode, pExtra, [this] { Close(); });
    case AFX_ID_PREVIEW_PRINT:
    case ID_FILE_PRINT:
        return Handle(nCode, pExtra, [this] {
            CFrameWnd* pFrame = m_pFrame;
            Close();
            pFrame->PostMessage(WM_COMMAND, ID_FILE_PRINT);
        });
    case ID_APP_EXIT:
    case ID_APP_ABOUT: {
        CWinApp* pApp = AfxGetApp();
        return pApp && pApp->OnCmdMsg(nID, nCode, pExtra);
    }
    default: return false; // nothing may change the text the preview shows
    }
}

LRESULT CPreviewView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_HSCROLL: OnScroll(SB_HORZ, LOWORD(wParam)); return 0;
    case WM_VSCROLL: OnScroll(SB_VERT, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL:
        if (m_nZoom)
            OnScroll(SB_VERT, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN);
        else
            GoToPage(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? (m_nPage > 1 ? m_nPage - 1 : 1) : m_nPage + 1);
        return 0;
    case WM_COMMAND:
        // The bar's buttons: run as commands of the preview, then the focus comes back for the keys.
        if (lParam && HIWORD(wParam) == BN_CLICKED) {
            const UINT nID = LOWORD(wParam);
            HWND hSelf = m_hWnd;
            OnCmdMsg(nID, CN_COMMAND, nullptr);
            if (::IsWindow(hSelf) && nID != AFX_ID_PREVIEW_CLOSE && nID != AFX_ID_PREVIEW_PRINT)
                ::SetFocus(hSelf);
            return 0;
        }
        break;
    default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CPreviewView::OnSize(UINT nType, int cx, int cy) {
    CWnd::OnSize(nType, cx, cy);
    // The page description takes the rest of the bar.
    const int xDesc = Scale(4) + Scale(84) * static_cast<int>(std::size(kButtons)) + Scale(6);
    ::MoveWindow(m_hDesc, xDesc, Scale(4), (std::max)(Scale(40), cx - xDesc - Scale(4)), BarHeight() - Scale(8), TRUE);
    UpdateScrollBars();
}

void CPreviewView::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    switch (nChar) {
    case VK_NEXT: GoToPage(m_nPage + m_nNumPages); break;
    case VK_PRIOR: GoToPage(m_nPage > m_nNumPages ? m_nPage - m_nNumPages : 1); break;
    case VK_HOME: GoToPage(1); break;
    case VK_END: GoToPage(GetPageCount()); break;
    case VK_ESCAPE: Close(); break;
    default: CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
    }
}
