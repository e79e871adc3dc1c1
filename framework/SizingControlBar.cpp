// CSizingControlBar and CSizingControlBarG: sizes and their negotiation with the dock bar, the
// non-client layout, painting and hit testing, edge tracking, and the gripper's close button.
#include "framework/SizingControlBar.h"
#include "framework/DockBar.h"
#include "framework/DragFrame.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/MiniFrame.h"
#include <windowsx.h>
#include <algorithm>

namespace {
// Lengths at 96 DPI, scaled to the bar's DPI where they are used.
constexpr int kDockedInset = 5;
constexpr int kFloatingInsetTop = 5;
constexpr int kFloatingInset = 3;
constexpr int kEdge = 5;
constexpr int kGripper = 12;
constexpr int kCloseButton = 11;
constexpr int kCloseGlyph = 8; // Marlett's cross, in pixels rather than points

bool ReadDragFullWindows() {
    BOOL bFull = FALSE;
    ::SystemParametersInfoW(SPI_GETDRAGFULLWINDOWS, 0, &bFull, 0);
    return bFull != FALSE;
}

int Width(const RECT& rc) {
    return rc.right - rc.left;
}
int Height(const RECT& rc) {
    return rc.bottom - rc.top;
}

void FillSolid(HDC hDC, int x, int y, int cx, int cy, COLORREF cr) {
    ::SetBkColor(hDC, cr);
    RECT rc{x, y, x + cx, y + cy};
    ::ExtTextOutW(hDC, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

// A raised 3-D line: highlight on the top and left, shadow on the bottom and right.
void Draw3dRect(HDC hDC, int x, int y, int cx, int cy) {
    COLORREF crLight = ::GetSysColor(COLOR_BTNHIGHLIGHT), crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    FillSolid(hDC, x, y, cx - 1, 1, crLight);
    FillSolid(hDC, x, y, 1, cy - 1, crLight);
    FillSolid(hDC, x + cx - 1, y, 1, cy, crShadow);
    FillSolid(hDC, x, y + cy - 1, cx, 1, crShadow);
}
} // namespace

// ---- CSizingControlBar ----

CSizingControlBar::CSizingControlBar() = default;

bool CSizingControlBar::Create(const wchar_t* pszTitle, CFrameWnd* pParentWnd, UINT nID, DWORD dwStyle) {
    if (!pParentWnd || !pParentWnd->m_hWnd)
        return false;
    m_pDockSite = pParentWnd;
    DWORD dwWndStyle = TakeBarStyle(dwStyle);
    std::wstring strClass = RegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    return CreateEx(0, strClass.c_str(), pszTitle ? pszTitle : L"", dwWndStyle | WS_CHILD | WS_CLIPCHILDREN,
                    RECT{0, 0, 0, 0}, pParentWnd->m_hWnd, nID);
}

bool CSizingControlBar::Create(const wchar_t* pszTitle, CFrameWnd* pParentWnd, SIZE sizeDefault, UINT nID,
                               DWORD dwStyle) {
    m_szHorz = m_szVert = m_szFloat = sizeDefault;
    m_bFloatSizeChosen = true;
    return Create(pszTitle, pParentWnd, nID, dwStyle);
}

int CSizingControlBar::OnCreate(CREATESTRUCTW* pCreate) {
    if (CControlBar::OnCreate(pCreate) == -1)
        return -1;
    m_bDragShowContent = ReadDragFullWindows();
    // The sizes so far (the defaults, or the creator's) are meant at 96 DPI.
    ScaleSizes(kDefaultDpi);
    return 0;
}

void CSizingControlBar::ScaleSizes(UINT nFromDpi) {
    const UINT nDpi = GetDpi();
    for (SIZE* pSize : {&m_szHorz, &m_szVert, &m_szFloat, &m_szMinHorz, &m_szMinVert, &m_szMinFloat})
        *pSize = SIZE{RescaleForDpi(pSize->cx, nFromDpi, nDpi), RescaleForDpi(pSize->cy, nFromDpi, nDpi)};
    m_cxEdge = Scale(kEdge);
}

void CSizingControlBar::OnDpiChanged(UINT nOldDpi) {
    // The sizes the user gave the bar keep their size in points; the non-client part is laid out
    // again with the new lengths.
    ScaleSizes(nOldDpi);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool CSizingControlBar::IsHorzDocked() const {
    switch (m_nDockBarID) {
    case AFX_IDW_DOCKBAR_TOP:
    case AFX_IDW_DOCKBAR_BOTTOM:
    case AFX_IDW_DOCKBAR_FLOAT: return true;
    case AFX_IDW_DOCKBAR_LEFT:
    case AFX_IDW_DOCKBAR_RIGHT: return false;
    default: return (m_dwStyle & CBRS_ORIENT_VERT) == 0 || (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
    }
}

std::vector<CSizingControlBar*> CSizingControlBar::RowSizingBars() const {
    std::vector<CSizingControlBar*> row;
    if (!m_pDockBar || IsFloating())
        return row;
    for (CControlBar* pBar : m_pDockBar->GetVisibleRow(this))
        if (auto* pSizing = dynamic_cast<CSizingControlBar*>(pBar))
            row.push_back(pSizing);
    return row;
}

SIZE CSizingControlBar::CalcFixedLayout(bool bStretch, bool bHorz) {
    if (bStretch)
        return bHorz ? SIZE{32767, m_szHorz.cy} : SIZE{m_szVert.cx, 32767};
    std::vector<CSizingControlBar*> row = RowSizingBars();
    if (!row.empty() && row.front() == this)
        NegotiateRow(row, bHorz);
    UpdateEdges(row);
    if (bHorz)
        return SIZE{std::max(m_szMinHorz.cx, m_szHorz.cx), std::max(m_szMinHorz.cy, m_szHorz.cy)};
    return SIZE{std::max(m_szMinVert.cx, m_szVert.cx), std::max(m_szMinVert.cy, m_szVert.cy)};
}

void CSizingControlBar::NegotiateRow(const std::vector<CSizingControlBar*>& row, bool bHorz) {
    RECT rc = m_pDockBar->m_rcLayout;
    if (::IsRectEmpty(&rc) && m_pDockSite)
        rc = m_pDockSite->GetClientRect();
    int nTotal = bHorz ? Width(rc) + 2 : Height(rc) - 2;
    // Bars of other kinds in the row keep their own lengths.
    for (CControlBar* pBar : m_pDockBar->GetVisibleRow(this)) {
        if (dynamic_cast<CSizingControlBar*>(pBar))
            continue;
        SIZE size = pBar->CalcFixedLayout(false, bHorz);
        nTotal -= bHorz ? size.cx : size.cy;
    }
    auto length = [bHorz](CSizingControlBar* p) -> LONG& { return bHorz ? p->m_szHorz.cx : p->m_szVert.cy; };
    auto minimum = [bHorz](CSizingControlBar* p) { return bHorz ? p->m_szMinHorz.cx : p->m_szMinVert.cy; };
    int nSum = 0;
    for (CSizingControlBar* p : row) {
        length(p) = std::max(length(p), minimum(p));
        nSum += length(p);
    }
    int nDiff = nTotal - nSum;
    if (nDiff > 0) {
        // Growing: every bar gets an equal share, the last one the remainder.
        int nShare = nDiff / static_cast<int>(row.size());
        for (CSizingControlBar* p : row)
            length(p) += nShare;
        length(row.back()) += nDiff - nShare * static_cast<int>(row.size());
        return;
    }
    // Shrinking: equal shares from every bar that is above its minimum, as long as there is one.
    while (nDiff < 0) {
        int nShrinkable = static_cast<int>(
            std::count_if(row.begin(), row.end(), [&](CSizingControlBar* p) { return length(p) > minimum(p); }));
        if (nShrinkable == 0)
            break;
        int nShare = std::max(1, -nDiff / nShrinkable);
        for (CSizingControlBar* p : row) {
            int nTake = std::min({nShare, static_cast<int>(length(p) - minimum(p)), -nDiff});
            if (nTake <= 0)
                continue;
            length(p) -= nTake;
            nDiff += nTake;
        }
    }
}

void CSizingControlBar::UpdateEdges(const std::vector<CSizingControlBar*>& row) {
    DWORD dwEdges = 0;
    switch (m_nDockBarID) {
    case AFX_IDW_DOCKBAR_TOP: dwEdges = SCBS_EDGEBOTTOM; break;
    case AFX_IDW_DOCKBAR_BOTTOM: dwEdges = SCBS_EDGETOP; break;
    case AFX_IDW_DOCKBAR_LEFT: dwEdges = SCBS_EDGERIGHT; break;
    case AFX_IDW_DOCKBAR_RIGHT: dwEdges = SCBS_EDGELEFT; break;
    default: break;
    }
    // Between two bars of a row the earlier one carries the edge that moves the boundary.
    if (dwEdges && !row.empty() && row.back() != this && std::find(row.begin(), row.end(), this) != row.end())
        dwEdges |= IsHorzDocked() ? SCBS_EDGERIGHT : SCBS_EDGEBOTTOM;
    m_dwSCBStyle = (m_dwSCBStyle & ~static_cast<DWORD>(SCBS_EDGEALL)) | dwEdges;
}

SIZE CSizingControlBar::CalcDynamicLayout(int nLength, DWORD dwMode) {
    if (dwMode & (LM_HORZDOCK | LM_VERTDOCK))
        return CalcFixedLayout((dwMode & LM_STRETCH) != 0, (dwMode & LM_HORZDOCK) != 0);
    // The first float of the session: 200 by 200 would cut the lines of any pane, so it takes half
    // the frame's width and a third of its height. From then on the pane keeps the size the user
    // gives its floating window, for every later float.
    if (!m_bFloatSizeChosen && m_pDockSite && m_pDockSite->m_hWnd) {
        RECT rcFrame{};
        ::GetWindowRect(m_pDockSite->m_hWnd, &rcFrame);
        m_szFloat = SIZE{Width(rcFrame) / 2, Height(rcFrame) / 3};
        m_bFloatSizeChosen = true;
    }
    // Floating: the mini-frame's border being dragged asks for a width or (LM_LENGTHY) a height.
    SIZE size = m_szFloat;
    if (!(dwMode & LM_MRUWIDTH) && nLength > 0) {
        if (dwMode & LM_LENGTHY)
            size.cy = nLength;
        else
            size.cx = nLength;
    }
    size.cx = std::max(size.cx, m_szMinFloat.cx);
    size.cy = std::max(size.cy, m_szMinFloat.cy);
    if (dwMode & LM_COMMIT)
        m_szFloat = size;
    return size;
}

void CSizingControlBar::OnDockBarChanged() {
    m_nDockBarID = GetDockBarID();
    // Between the frame and a floating window the bar may have changed monitors.
    UpdateDpi();
    UpdateEdges(RowSizingBars());
    if (m_hWnd)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

RECT CSizingControlBar::NcCalcClient(const RECT& rcWindow) {
    RECT rc = rcWindow;
    if (m_nDockBarID == AFX_IDW_DOCKBAR_FLOAT) {
        rc.left += Scale(kFloatingInset);
        rc.top += Scale(kFloatingInsetTop);
        rc.right -= Scale(kFloatingInset);
        rc.bottom -= Scale(kFloatingInset);
        return rc;
    }
    ::InflateRect(&rc, -Scale(kDockedInset), -Scale(kDockedInset));
    if (m_dwSCBStyle & SCBS_SHOWEDGES) {
        if (m_dwSCBStyle & SCBS_EDGELEFT)
            rc.left += m_cxEdge;
        if (m_dwSCBStyle & SCBS_EDGETOP)
            rc.top += m_cxEdge;
        if (m_dwSCBStyle & SCBS_EDGERIGHT)
            rc.right -= m_cxEdge;
        if (m_dwSCBStyle & SCBS_EDGEBOTTOM)
            rc.bottom -= m_cxEdge;
    }
    return rc;
}

LRESULT CSizingControlBar::OnNcCalcSize(BOOL, LPARAM lParam) {
    // Both forms of the message start with the proposed window rectangle.
    auto* pRect = reinterpret_cast<RECT*>(lParam);
    RECT rcWindow{0, 0, Width(*pRect), Height(*pRect)};
    RECT rc = NcCalcClient(rcWindow);
    rc.right = std::max(rc.right, rc.left);
    rc.bottom = std::max(rc.bottom, rc.top);
    ::OffsetRect(&rc, pRect->left, pRect->top);
    *pRect = rc;
    return 0;
}

void CSizingControlBar::NcPaint(HDC hDC, const RECT& rcWindow, const RECT&) {
    if (!(m_dwSCBStyle & SCBS_SHOWEDGES) || m_nDockBarID == AFX_IDW_DOCKBAR_FLOAT)
        return;
    UINT nSides = 0;
    if (m_dwSCBStyle & SCBS_EDGELEFT)
        nSides |= BF_LEFT;
    if (m_dwSCBStyle & SCBS_EDGETOP)
        nSides |= BF_TOP;
    if (m_dwSCBStyle & SCBS_EDGERIGHT)
        nSides |= BF_RIGHT;
    if (m_dwSCBStyle & SCBS_EDGEBOTTOM)
        nSides |= BF_BOTTOM;
    RECT rc = rcWindow;
    ::DrawEdge(hDC, &rc, EDGE_RAISED, nSides);
}

void CSizingControlBar::OnNcPaint() {
    RECT rcScreen{};
    ::GetWindowRect(m_hWnd, &rcScreen);
    RECT rcWindow{0, 0, Width(rcScreen), Height(rcScreen)};
    RECT rcClient = NcCalcClient(rcWindow);
    CWindowDC dc(m_hWnd);
    if (!dc.Get() || ::IsRectEmpty(&rcWindow))
        return;
    // Everything goes to a memory bitmap first and reaches the screen in one BitBlt, so the
    // gripper and the button do not flicker while the bar is resized.
    ::ExcludeClipRect(dc.Get(), rcClient.left, rcClient.top, rcClient.right, rcClient.bottom);
    CMemoryDC memDC(::CreateCompatibleDC(dc.Get()));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), rcWindow.right, rcWindow.bottom));
    if (!memDC || !bitmap)
        return;
    CSelectObject selectBitmap(memDC.Get(), bitmap.Get());
    auto hBrush = reinterpret_cast<HBRUSH>(::GetClassLongPtrW(m_hWnd, GCLP_HBRBACKGROUND));
    ::FillRect(memDC.Get(), &rcWindow, hBrush);
    NcPaint(memDC.Get(), rcWindow, rcClient);
    ::BitBlt(dc.Get(), 0, 0, rcWindow.right, rcWindow.bottom, memDC.Get(), 0, 0, SRCCOPY);
}

LRESULT CSizingControlBar::NcHitTest(POINT ptWindow) {
    if (m_nDockBarID == AFX_IDW_DOCKBAR_FLOAT || !m_hWnd)
        return HTCLIENT;
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    int cx = Width(rc), cy = Height(rc);
    if ((m_dwSCBStyle & SCBS_EDGELEFT) && ptWindow.x < m_cxEdge)
        return HTLEFT;
    if ((m_dwSCBStyle & SCBS_EDGETOP) && ptWindow.y < m_cxEdge)
        return HTTOP;
    if ((m_dwSCBStyle & SCBS_EDGERIGHT) && ptWindow.x >= cx - m_cxEdge)
        return HTRIGHT;
    if ((m_dwSCBStyle & SCBS_EDGEBOTTOM) && ptWindow.y >= cy - m_cxEdge)
        return HTBOTTOM;
    return HTCLIENT;
}

void CSizingControlBar::OnNcLButtonUp(UINT) {
    Default();
}

void CSizingControlBar::OnSize(UINT nType, int cx, int cy) {
    CControlBar::OnSize(nType, cx, cy);
    if (!(m_dwSCBStyle & SCBS_SIZECHILD))
        return;
    if (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD))
        ::MoveWindow(hChild, 0, 0, cx, cy, TRUE);
}

LRESULT CSizingControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
    case WM_NCCALCSIZE: return OnNcCalcSize(static_cast<BOOL>(wParam), lParam);
    case WM_NCPAINT: OnNcPaint(); return 0;
    case WM_NCHITTEST: {
        RECT rc{};
        ::GetWindowRect(m_hWnd, &rc);
        return NcHitTest(POINT{pt.x - rc.left, pt.y - rc.top});
    }
    case WM_NCLBUTTONDOWN:
        if (m_bTracking)
            return 0;
        if (wParam >= HTLEFT && wParam <= HTBOTTOMRIGHT && m_pDockBar && !IsFloating()) {
            StartTracking(static_cast<UINT>(wParam), pt);
            return 0;
        }
        // The default handling would run the system's own close-box loop.
        if (wParam == HTCLOSE)
            return 0;
        break;
    case WM_NCLBUTTONUP:
        if (m_bTracking) {
            StopTracking();
            return 0;
        }
        OnNcLButtonUp(static_cast<UINT>(wParam));
        return 0;
    case WM_MOUSEMOVE:
        if (!m_bTracking)
            break;
        ::ClientToScreen(m_hWnd, &pt);
        OnTrackMove(pt);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
        if (!m_bTracking)
            break;
        StopTracking();
        return 0;
    case WM_CAPTURECHANGED:
        if (m_bTracking && reinterpret_cast<HWND>(lParam) != m_hWnd)
            StopTracking();
        break;
    case WM_SETTINGCHANGE: m_bDragShowContent = ReadDragFullWindows(); break;
    case WM_SETTEXT: {
        LRESULT lResult = CControlBar::WindowProc(message, wParam, lParam);
        if (CMiniDockFrameWnd* pMini = m_pDockSite ? m_pDockSite->GetMiniFrame(this) : nullptr)
            pMini->SetWindowText(reinterpret_cast<const wchar_t*>(lParam));
        return lResult;
    }
    default: break;
    }
    return CControlBar::WindowProc(message, wParam, lParam);
}

// ---- Tracking a sizing edge ----

bool CSizingControlBar::TracksThickness() const {
    bool bAcrossY = m_htEdge == HTTOP || m_htEdge == HTBOTTOM;
    return IsHorzDocked() == bAcrossY;
}

void CSizingControlBar::StartTracking(UINT nHitTest, POINT ptScreen) {
    if (!m_pDockSite || !m_pDockBar)
        return;
    // Corners size like the side they are on.
    switch (nHitTest) {
    case HTTOPLEFT:
    case HTTOPRIGHT: nHitTest = HTTOP; break;
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT: nHitTest = HTBOTTOM; break;
    default: break;
    }
    m_htEdge = nHitTest;
    bool bAlongX = nHitTest == HTLEFT || nHitTest == HTRIGHT;
    bool bHorz = IsHorzDocked();
    RECT rcWnd{};
    ::GetWindowRect(m_hWnd, &rcWnd);
    int nPos = nHitTest == HTLEFT    ? rcWnd.left
               : nHitTest == HTRIGHT ? rcWnd.right
               : nHitTest == HTTOP   ? rcWnd.top
                                     : rcWnd.bottom;
    m_nTrackEdgeOfs = (bAlongX ? ptScreen.x : ptScreen.y) - nPos;
    std::vector<CSizingControlBar*> row = RowSizingBars();
    if (row.empty())
        row.push_back(this);
    if (TracksThickness()) {
        // The row is as thick as the bar's window now; every bar of it takes that thickness.
        int nThick = bHorz ? Height(rcWnd) : Width(rcWnd);
        int nMinThick = 0;
        for (CSizingControlBar* p : row) {
            (bHorz ? p->m_szHorz.cy : p->m_szVert.cx) = nThick;
            nMinThick = std::max(nMinThick, static_cast<int>(bHorz ? p->m_szMinHorz.cy : p->m_szMinVert.cx));
        }
        RECT rcFree{};
        m_pDockSite->RepositionBars(reposQuery, &rcFree);
        int nGrow = std::max(0, (bHorz ? Height(rcFree) : Width(rcFree)) - 2);
        int nShrink = std::max(0, nThick - nMinThick);
        bool bGrowsDown = nHitTest == HTBOTTOM || nHitTest == HTRIGHT;
        m_nTrackPosMin = nPos - (bGrowsDown ? nShrink : nGrow);
        m_nTrackPosMax = nPos + (bGrowsDown ? nGrow : nShrink);
    } else {
        // Between bars of the row: this bar and its neighbours on that side down to their minimums.
        auto it = std::find(row.begin(), row.end(), this);
        auto slack = [bHorz](CSizingControlBar* p) {
            return static_cast<int>(bHorz ? p->m_szHorz.cx - p->m_szMinHorz.cx : p->m_szVert.cy - p->m_szMinVert.cy);
        };
        bool bFar = nHitTest == HTRIGHT || nHitTest == HTBOTTOM;
        int nOwn = std::max(0, slack(this));
        int nNeighbours = 0;
        if (bFar)
            for (auto j = it + 1; j != row.end(); ++j)
                nNeighbours += std::max(0, slack(*j));
        else
            for (auto j = row.begin(); j != it; ++j)
                nNeighbours += std::max(0, slack(*j));
        m_nTrackPosMin = nPos - (bFar ? nOwn : nNeighbours);
        m_nTrackPosMax = nPos + (bFar ? nNeighbours : nOwn);
    }
    m_nTrackPosStart = m_nTrackPosOld = nPos;
    m_bTracking = true;
    ::SetCapture(m_hWnd);
    if (!m_bDragShowContent) {
        // The inverted line is drawn over the frame's current picture: finish painting it first.
        ::RedrawWindow(m_pDockSite->m_hWnd, nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW);
        ShowTrackLine(true);
    }
}

void CSizingControlBar::OnTrackMove(POINT ptScreen) {
    bool bAlongX = m_htEdge == HTLEFT || m_htEdge == HTRIGHT;
    int nPos = std::clamp(static_cast<int>(bAlongX ? ptScreen.x : ptScreen.y) - m_nTrackEdgeOfs, m_nTrackPosMin,
                          m_nTrackPosMax);
    if (nPos == m_nTrackPosOld)
        return;
    if (m_bDragShowContent) {
        ApplyTrackDelta(nPos - m_nTrackPosOld);
        m_nTrackPosOld = nPos;
        m_pDockSite->RecalcLayout();
        return;
    }
    ShowTrackLine(false);
    m_nTrackPosOld = nPos;
    ShowTrackLine(true);
}

void CSizingControlBar::StopTracking() {
    if (!m_bTracking)
        return;
    ShowTrackLine(false);
    // Cleared before the capture goes, whose WM_CAPTURECHANGED would stop the tracking again.
    m_bTracking = false;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (!m_bDragShowContent)
        ApplyTrackDelta(m_nTrackPosOld - m_nTrackPosStart);
    if (m_pDockSite)
        m_pDockSite->RecalcLayout();
}

void CSizingControlBar::ApplyTrackDelta(int nDelta) {
    if (nDelta == 0)
        return;
    bool bHorz = IsHorzDocked();
    std::vector<CSizingControlBar*> row = RowSizingBars();
    if (row.empty())
        row.push_back(this);
    if (TracksThickness()) {
        int nGrow = (m_htEdge == HTTOP || m_htEdge == HTLEFT) ? -nDelta : nDelta;
        int nThick = (bHorz ? m_szHorz.cy : m_szVert.cx) + nGrow;
        for (CSizingControlBar* p : row)
            (bHorz ? p->m_szHorz.cy : p->m_szVert.cx) = nThick;
        return;
    }
    auto length = [bHorz](CSizingControlBar* p) -> LONG& { return bHorz ? p->m_szHorz.cx : p->m_szVert.cy; };
    auto minimum = [bHorz](CSizingControlBar* p) { return bHorz ? p->m_szMinHorz.cx : p->m_szMinVert.cy; };
    bool bFar = m_htEdge == HTRIGHT || m_htEdge == HTBOTTOM;
    int nGrow = bFar ? nDelta : -nDelta;
    // The neighbours on the edge's side, nearest first.
    std::vector<CSizingControlBar*> neighbours;
    auto it = std::find(row.begin(), row.end(), this);
    if (it == row.end())
        return;
    if (bFar)
        neighbours.assign(it + 1, row.end());
    else
        neighbours.assign(std::make_reverse_iterator(it), row.rend());
    if (neighbours.empty())
        return;
    length(this) += nGrow;
    if (nGrow < 0) {
        length(neighbours.front()) -= nGrow;
        return;
    }
    for (CSizingControlBar* p : neighbours) {
        int nTake = std::min(nGrow, static_cast<int>(length(p) - minimum(p)));
        if (nTake <= 0)
            continue;
        length(p) -= nTake;
        nGrow -= nTake;
        if (nGrow == 0)
            break;
    }
}

RECT CSizingControlBar::TrackLineRect(int nPos) const {
    RECT rcWnd{};
    ::GetWindowRect(m_hWnd, &rcWnd);
    RECT rc = rcWnd;
    switch (m_htEdge) {
    case HTLEFT: rc.left = nPos, rc.right = nPos + m_cxEdge; break;
    case HTRIGHT: rc.left = nPos - m_cxEdge, rc.right = nPos; break;
    case HTTOP: rc.top = nPos, rc.bottom = nPos + m_cxEdge; break;
    default: rc.top = nPos - m_cxEdge, rc.bottom = nPos; break;
    }
    return rc;
}

void CSizingControlBar::ShowTrackLine(bool bShow) {
    if (bShow == m_bTrackLineShown || !m_pDockSite)
        return;
    m_bTrackLineShown = bShow;
    // Drawn on the frame's whole window, over its children; the second call erases it.
    CWindowDC dc(m_pDockSite->m_hWnd, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc.Get())
        return;
    RECT rcFrame{};
    ::GetWindowRect(m_pDockSite->m_hWnd, &rcFrame);
    RECT rc = TrackLineRect(m_nTrackPosOld);
    ::OffsetRect(&rc, -rcFrame.left, -rcFrame.top);
    InvertDragBar(dc.Get(), rc);
}

// ---- CSizingControlBarG ----

int CSizingControlBarG::OnCreate(CREATESTRUCTW* pCreate) {
    if (CSizingControlBar::OnCreate(pCreate) == -1)
        return -1;
    ScaleGripper();
    return 0;
}

void CSizingControlBarG::OnDpiChanged(UINT nOldDpi) {
    ScaleGripper();
    CSizingControlBar::OnDpiChanged(nOldDpi);
}

void CSizingControlBarG::ScaleGripper() {
    m_cyGripper = Scale(kGripper);
    m_szClose = SIZE{Scale(kCloseButton), Scale(kCloseButton)};
    m_fontMarlett.Attach(::CreateFontW(-Scale(kCloseGlyph), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                       L"Marlett"));
    // Wine has Marlett only with its own fonts installed; without it the font mapper hands out
    // another face, whose "r" is a letter. The cross is then drawn with lines.
    CClientDC dc(nullptr);
    CMemoryDC memDC(::CreateCompatibleDC(dc.Get()));
    wchar_t szFace[LF_FACESIZE] = {};
    if (memDC && m_fontMarlett) {
        CSelectObject selectFont(memDC.Get(), m_fontMarlett.Get());
        ::GetTextFaceW(memDC.Get(), LF_FACESIZE, szFace);
    }
    if (::lstrcmpiW(szFace, L"Marlett") != 0)
        m_fontMarlett.Close();
}

RECT CSizingControlBarG::NcCalcClient(const RECT& rcWindow) {
    RECT rc = CSizingControlBar::NcCalcClient(rcWindow);
    m_rcClose = m_rcGripper = RECT{};
    // A floating bar has the mini-frame's caption and close box instead.
    if (m_nDockBarID == AFX_IDW_DOCKBAR_FLOAT)
        return rc;
    RECT rcGrip = rc;
    if (IsHorzDocked()) {
        rcGrip.right = rc.left + m_cyGripper;
        rc.left = rcGrip.right;
        m_rcClose = RECT{rcGrip.left, rcGrip.top, rcGrip.left + m_szClose.cx, rcGrip.top + m_szClose.cy};
    } else {
        rcGrip.bottom = rc.top + m_cyGripper;
        rc.top = rcGrip.bottom;
        m_rcClose = RECT{rcGrip.right - m_szClose.cx, rcGrip.top, rcGrip.right, rcGrip.top + m_szClose.cy};
    }
    m_rcGripper = rcGrip;
    // Kept relative to the window's top-left, whatever origin rcWindow has.
    ::OffsetRect(&m_rcClose, -rcWindow.left, -rcWindow.top);
    ::OffsetRect(&m_rcGripper, -rcWindow.left, -rcWindow.top);
    return rc;
}

void CSizingControlBarG::NcPaint(HDC hDC, const RECT& rcWindow, const RECT& rcClient) {
    CSizingControlBar::NcPaint(hDC, rcWindow, rcClient);
    if (::IsRectEmpty(&m_rcGripper))
        return;
    // Two raised lines 3 pixels (at 96 DPI) apart along the strip, beyond the close button.
    const int n3 = Scale(3), n6 = Scale(6);
    if (IsHorzDocked()) {
        int y = m_rcClose.bottom + n3;
        int cy = m_rcGripper.bottom - y;
        if (cy > 0) {
            Draw3dRect(hDC, m_rcGripper.left + n3, y, n3, cy);
            Draw3dRect(hDC, m_rcGripper.left + n6, y, n3, cy);
        }
    } else {
        int cx = m_rcClose.left - n3 - m_rcGripper.left;
        if (cx > 0) {
            Draw3dRect(hDC, m_rcGripper.left, m_rcGripper.top + n3, cx, n3);
            Draw3dRect(hDC, m_rcGripper.left, m_rcGripper.top + n6, cx, n3);
        }
    }
    // The close button: Marlett's "r" (a cross), framed raised while hovered, sunken while pushed.
    if (m_fontMarlett) {
        CSelectObject selectFont(hDC, m_fontMarlett.Get());
        ::SetBkMode(hDC, TRANSPARENT);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_BTNTEXT));
        ::TextOutW(hDC, m_rcClose.left + Scale(2), m_rcClose.top + Scale(2), L"r", 1);
    } else {
        CPenHandle pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNTEXT)));
        CSelectObject selectPen(hDC, pen.Get());
        // Two pixels wide (at 96 DPI), ending where the glyph's strokes end.
        const int n1 = Scale(1), n2 = Scale(2), n3 = Scale(3), n4 = Scale(4);
        for (int d = 0; d < n2; ++d) {
            ::MoveToEx(hDC, m_rcClose.left + n2 + d, m_rcClose.top + n2, nullptr);
            ::LineTo(hDC, m_rcClose.right - n3 + d, m_rcClose.bottom - n3);
            ::MoveToEx(hDC, m_rcClose.right - n4 + d, m_rcClose.top + n2, nullptr);
            ::LineTo(hDC, m_rcClose.left + n1 + d, m_rcClose.bottom - n3);
        }
    }
    RECT rcButton = m_rcClose;
    if (m_bClosePushed)
        ::DrawEdge(hDC, &rcButton, BDR_SUNKENOUTER, BF_RECT);
    else if (m_bCloseHovered)
        ::DrawEdge(hDC, &rcButton, BDR_RAISEDINNER, BF_RECT);
}

LRESULT CSizingControlBarG::NcHitTest(POINT ptWindow) {
    if (!::IsRectEmpty(&m_rcClose) && ::PtInRect(&m_rcClose, ptWindow))
        return HTCLOSE;
    return CSizingControlBar::NcHitTest(ptWindow);
}

void CSizingControlBarG::OnNcLButtonUp(UINT nHitTest) {
    if (nHitTest == HTCLOSE && m_pDockSite) {
        m_pDockSite->ShowControlBar(this, false, false);
        return;
    }
    CSizingControlBar::OnNcLButtonUp(nHitTest);
}

void CSizingControlBarG::OnIdleUpdate(CFrameWnd* pFrame) {
    CSizingControlBar::OnIdleUpdate(pFrame);
    bool bHovered = false, bPushed = false;
    if (IsVisible() && !IsFloating() && !::IsRectEmpty(&m_rcClose)) {
        POINT pt{};
        RECT rc{};
        ::GetCursorPos(&pt);
        ::GetWindowRect(m_hWnd, &rc);
        bHovered = NcHitTest(POINT{pt.x - rc.left, pt.y - rc.top}) == HTCLOSE;
        int nButton = ::GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
        bPushed = bHovered && ::GetKeyState(nButton) < 0;
    }
    if (bHovered == m_bCloseHovered && bPushed == m_bClosePushed)
        return;
    m_bCloseHovered = bHovered;
    m_bClosePushed = bPushed;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}
