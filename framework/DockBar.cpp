// CDockBar: rows of docked bars, their insertion where a drag drops them, the dock bar's thickness
// and the placement of the bars.
#include "framework/DockBar.h"
#include "framework/FrameworkIds.h"
#include <algorithm>

CDockBar::~CDockBar() {
    // The window (and the bars in it) are destroyed in ~CWnd, after m_rows is gone: the bars must
    // not come back to this object from their WM_DESTROY.
    for (auto& row : m_rows)
        for (CControlBar* pBar : row)
            pBar->m_pDockBar = nullptr;
    m_rows.clear();
}

bool CDockBar::Create(CWnd* pParentWnd, UINT nID) {
    switch (nID) {
    case AFX_IDW_DOCKBAR_TOP: m_dwStyle = CBRS_ALIGN_TOP; break;
    case AFX_IDW_DOCKBAR_LEFT: m_dwStyle = CBRS_ALIGN_LEFT; break;
    case AFX_IDW_DOCKBAR_RIGHT: m_dwStyle = CBRS_ALIGN_RIGHT; break;
    case AFX_IDW_DOCKBAR_BOTTOM: m_dwStyle = CBRS_ALIGN_BOTTOM; break;
    default: m_dwStyle = CBRS_ALIGN_TOP; break;
    }
    std::wstring strClass = RegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW),
                                             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    return CreateEx(0, strClass.c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                    RECT{0, 0, 0, 0}, pParentWnd->m_hWnd, nID);
}

bool CDockBar::IsFloatingDock() const {
    return m_hWnd && GetDlgCtrlID() == AFX_IDW_DOCKBAR_FLOAT;
}

bool CDockBar::IsHorzDock() const {
    return (m_dwStyle & CBRS_ORIENT_HORZ) != 0;
}

DWORD CDockBar::GetAlign() const {
    return m_dwStyle & CBRS_ALIGN_ANY;
}

void CDockBar::AddBar(CControlBar* pBar, const RECT* pRectScreen) {
    RemoveBar(pBar);
    bool bHorz = IsHorzDock();
    size_t nRow = m_rows.size(); // a new innermost row
    bool bNewRow = true;
    size_t nPos = 0;
    if (pRectScreen && !m_rows.empty() && !IsFloatingDock()) {
        POINT ptCentre{(pRectScreen->left + pRectScreen->right) / 2, (pRectScreen->top + pRectScreen->bottom) / 2};
        ::ScreenToClient(m_hWnd, &ptCentre);
        RECT rcDock = GetClientRect();
        int nAcross = bHorz ? ptCentre.y : ptCentre.x;
        int nAlong = bHorz ? ptCentre.x : ptCentre.y;
        // Rows run from the frame's edge inwards: downwards at the top and left, upwards at the
        // bottom and right.
        bool bFromFar = (GetAlign() & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT)) != 0;
        int nEdge = bFromFar ? (bHorz ? rcDock.bottom : rcDock.right) : 0;
        int nDistance = bFromFar ? nEdge - nAcross : nAcross;
        if (nDistance < 0) {
            nRow = 0; // beyond the outermost row
        } else {
            int nOffset = 0;
            for (size_t i = 0; i < m_rows.size(); ++i) {
                int nThick = 0;
                for (CControlBar* pOther : m_rows[i]) {
                    if (!pOther->IsVisible())
                        continue;
                    RECT rc{};
                    ::GetWindowRect(pOther->m_hWnd, &rc);
                    nThick = std::max(nThick, static_cast<int>(bHorz ? rc.bottom - rc.top : rc.right - rc.left));
                }
                if (nThick > 0 && nDistance >= nOffset && nDistance < nOffset + nThick) {
                    nRow = i;
                    bNewRow = false;
                    break;
                }
                nOffset += nThick;
            }
        }
        if (!bNewRow) {
            // Before the first bar whose middle lies beyond the drop point.
            auto& row = m_rows[nRow];
            nPos = row.size();
            for (size_t j = 0; j < row.size(); ++j) {
                RECT rc{};
                ::GetWindowRect(row[j]->m_hWnd, &rc);
                ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
                int nMiddle = bHorz ? (rc.left + rc.right) / 2 : (rc.top + rc.bottom) / 2;
                if (nAlong < nMiddle) {
                    nPos = j;
                    break;
                }
            }
        }
    }
    if (bNewRow)
        m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(nRow), std::vector<CControlBar*>{pBar});
    else
        m_rows[nRow].insert(m_rows[nRow].begin() + static_cast<std::ptrdiff_t>(nPos), pBar);
    pBar->m_pDockBar = this;
    if (::GetParent(pBar->m_hWnd) != m_hWnd)
        ::SetParent(pBar->m_hWnd, m_hWnd);
}

void CDockBar::RemoveBar(CControlBar* pBar) {
    for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
        auto found = std::find(it->begin(), it->end(), pBar);
        if (found == it->end())
            continue;
        it->erase(found);
        if (it->empty())
            m_rows.erase(it);
        break;
    }
    if (pBar->m_pDockBar == this)
        pBar->m_pDockBar = nullptr;
}

bool CDockBar::Contains(const CControlBar* pBar) const {
    for (const auto& row : m_rows)
        if (std::find(row.begin(), row.end(), pBar) != row.end())
            return true;
    return false;
}

std::vector<CControlBar*> CDockBar::GetVisibleRow(const CControlBar* pBar) const {
    std::vector<CControlBar*> visible;
    for (const auto& row : m_rows) {
        if (std::find(row.begin(), row.end(), pBar) == row.end())
            continue;
        for (CControlBar* pOther : row)
            if (pOther->IsVisible())
                visible.push_back(pOther);
        break;
    }
    return visible;
}

int CDockBar::GetVisibleCount() const {
    int n = 0;
    for (const auto& row : m_rows)
        n += static_cast<int>(std::count_if(row.begin(), row.end(), [](CControlBar* p) { return p->IsVisible(); }));
    return n;
}

CControlBar* CDockBar::GetFirstBar() const {
    return m_rows.empty() || m_rows.front().empty() ? nullptr : m_rows.front().front();
}

SIZE CDockBar::CalcFixedLayout(bool, bool) {
    bool bHorz = IsHorzDock();
    int nThick = 0;
    for (const auto& row : m_rows) {
        int nRowThick = 0;
        for (CControlBar* pBar : row) {
            if (!pBar->IsVisible())
                continue;
            SIZE size = pBar->CalcFixedLayout(false, bHorz);
            nRowThick = std::max(nRowThick, static_cast<int>(bHorz ? size.cy : size.cx));
        }
        nThick += nRowThick;
    }
    int nLength = bHorz ? m_rcLayout.right - m_rcLayout.left : m_rcLayout.bottom - m_rcLayout.top;
    return bHorz ? SIZE{nLength, nThick} : SIZE{nThick, nLength};
}

void CDockBar::LayoutBars() {
    if (!m_hWnd)
        return;
    RECT rcDock = GetClientRect();
    int nVisible = GetVisibleCount();
    if (nVisible == 0)
        return;
    HDWP hDwp = ::BeginDeferWindowPos(nVisible);
    // A frame or change of edges may have changed the bars' non-client areas: SWP_FRAMECHANGED.
    const UINT nFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    if (IsFloatingDock()) {
        CControlBar* pBar = GetFirstBar();
        if (pBar && pBar->IsVisible() && hDwp)
            hDwp = ::DeferWindowPos(hDwp, pBar->m_hWnd, nullptr, 0, 0, rcDock.right, rcDock.bottom, nFlags);
        if (hDwp)
            ::EndDeferWindowPos(hDwp);
        return;
    }
    bool bHorz = IsHorzDock();
    bool bFromFar = (GetAlign() & (CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT)) != 0;
    int nAcross = bFromFar ? (bHorz ? rcDock.bottom : rcDock.right) : 0;
    for (const auto& row : m_rows) {
        std::vector<std::pair<CControlBar*, SIZE>> sizes;
        int nRowThick = 0;
        for (CControlBar* pBar : row) {
            if (!pBar->IsVisible())
                continue;
            SIZE size = pBar->CalcFixedLayout(false, bHorz);
            sizes.emplace_back(pBar, size);
            nRowThick = std::max(nRowThick, static_cast<int>(bHorz ? size.cy : size.cx));
        }
        if (sizes.empty())
            continue;
        int nRowStart = bFromFar ? nAcross - nRowThick : nAcross;
        nAcross = bFromFar ? nAcross - nRowThick : nAcross + nRowThick;
        // Sizing bars negotiate a horizontal row 2 pixels longer than the dock bar, so their end
        // borders sit just outside it, and a vertical one 2 pixels shorter, centred.
        int nAlong = bHorz ? -1 : 1;
        for (auto& [pBar, size] : sizes) {
            int nLength = bHorz ? size.cx : size.cy;
            if (hDwp) {
                if (bHorz)
                    hDwp = ::DeferWindowPos(hDwp, pBar->m_hWnd, nullptr, nAlong, nRowStart, nLength, nRowThick, nFlags);
                else
                    hDwp = ::DeferWindowPos(hDwp, pBar->m_hWnd, nullptr, nRowStart, nAlong, nRowThick, nLength, nFlags);
            }
            nAlong += nLength;
        }
    }
    if (hDwp)
        ::EndDeferWindowPos(hDwp);
}

void CDockBar::OnIdleUpdate(CFrameWnd* pFrame) {
    for (const auto& row : m_rows)
        for (CControlBar* pBar : row)
            pBar->OnIdleUpdate(pFrame);
}
