// CDockContext: the drag that moves a control bar to another side of its frame or out to float.
#include "framework/DockContext.h"
#include "framework/ControlBar.h"
#include "framework/DockBar.h"
#include "framework/DragFrame.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiHandles.h"
#include "framework/MiniFrame.h"
#include <algorithm>
#include <cstdlib>

namespace {
// An empty dock bar has no thickness: its side still catches a drop this close to the edge. Both
// lengths are at 96 DPI.
constexpr int kMinDropZone = 16;
constexpr int kFrameThickness = 3;

struct SideInfo {
    UINT nID;
    DWORD dwAlign;
};
// Tested in the order the frame stacks the dock bars: the top and bottom ones run the full width.
constexpr SideInfo kSides[] = {{AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP},
                               {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
                               {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
                               {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT}};

RECT WindowRectOf(HWND hWnd) {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}
} // namespace

CDockContext::~CDockContext() {
    ShowFrame(nullptr);
}

void CDockContext::StartDrag(POINT ptScreen) {
    CFrameWnd* pFrame = m_pBar->GetDockingFrame();
    if (!pFrame || !m_pBar->m_hWnd)
        return;
    // A floating bar is dragged by its mini-frame: the pointer keeps its place in that window.
    CMiniDockFrameWnd* pMini = m_pBar->IsFloating() ? pFrame->GetMiniFrame(m_pBar) : nullptr;
    RECT rcBar = WindowRectOf(pMini ? pMini->m_hWnd : m_pBar->m_hWnd);
    m_ptStart = ptScreen;
    m_ptOffset = POINT{ptScreen.x - rcBar.left, ptScreen.y - rcBar.top};
    m_bTracking = true;
    m_bDragging = false;
    ::SetCapture(m_pBar->m_hWnd);
}

void CDockContext::Move(POINT ptScreen) {
    if (!m_bTracking)
        return;
    // The keyboard focus stays where it was (the view, the pane's edit control), so Esc never
    // reaches the bar as a message: its key state, kept by the loop, is looked at instead.
    if (::GetKeyState(VK_ESCAPE) < 0) {
        CancelDrag();
        return;
    }
    if (!m_bDragging) {
        if (std::abs(ptScreen.x - m_ptStart.x) <= ::GetSystemMetrics(SM_CXDRAG) &&
            std::abs(ptScreen.y - m_ptStart.y) <= ::GetSystemMetrics(SM_CYDRAG))
            return;
        m_bDragging = true;
    }
    RECT rc = DropRect(ptScreen, DropTarget(ptScreen));
    ShowFrame(&rc);
}

void CDockContext::EndDrag(POINT ptScreen) {
    if (!m_bTracking)
        return;
    bool bDropped = m_bDragging;
    UINT nTarget = bDropped ? DropTarget(ptScreen) : 0;
    RECT rc = bDropped ? DropRect(ptScreen, nTarget) : RECT{};
    CancelDrag();
    CFrameWnd* pFrame = m_pBar->GetDockingFrame();
    if (!bDropped || !pFrame)
        return;
    if (nTarget == AFX_IDW_DOCKBAR_FLOAT)
        pFrame->FloatControlBar(m_pBar, POINT{rc.left, rc.top});
    else
        pFrame->DockControlBar(m_pBar, nTarget, &rc);
}

void CDockContext::CancelDrag() {
    ShowFrame(nullptr);
    if (!m_bTracking)
        return;
    // Cleared first: releasing the capture sends WM_CAPTURECHANGED, which would cancel again.
    m_bTracking = false;
    m_bDragging = false;
    if (m_pBar->m_hWnd && ::GetCapture() == m_pBar->m_hWnd)
        ::ReleaseCapture();
}

void CDockContext::ToggleDocking() {
    CFrameWnd* pFrame = m_pBar->GetDockingFrame();
    if (!pFrame)
        return;
    CancelDrag();
    if (m_pBar->IsFloating()) {
        UINT nID = m_nLastDockBarID;
        if (nID == 0)
            for (const SideInfo& side : kSides)
                if (m_pBar->GetDockStyle() & pFrame->GetDockStyle() & side.dwAlign) {
                    nID = side.nID;
                    break;
                }
        if (nID != 0)
            pFrame->DockControlBar(m_pBar, nID);
        return;
    }
    POINT pt = m_ptLastFloat;
    if (!m_bFloatedBefore) {
        RECT rc = WindowRectOf(m_pBar->m_hWnd);
        pt = POINT{rc.left, rc.top};
    }
    pFrame->FloatControlBar(m_pBar, pt);
}

UINT CDockContext::DropTarget(POINT ptScreen) const {
    CFrameWnd* pFrame = m_pBar->GetDockingFrame();
    if (!pFrame || ::GetKeyState(VK_CONTROL) < 0)
        return AFX_IDW_DOCKBAR_FLOAT;
    for (const SideInfo& side : kSides) {
        if (!(m_pBar->GetDockStyle() & pFrame->GetDockStyle() & side.dwAlign))
            continue;
        CDockBar* pDockBar = pFrame->GetDockBar(side.nID);
        if (!pDockBar || !pDockBar->m_hWnd)
            continue;
        RECT rc = WindowRectOf(pDockBar->m_hWnd);
        const int nMinDropZone = pDockBar->Scale(kMinDropZone);
        switch (side.dwAlign) {
        case CBRS_ALIGN_TOP: rc.bottom = std::max(rc.bottom, rc.top + nMinDropZone); break;
        case CBRS_ALIGN_BOTTOM: rc.top = std::min(rc.top, rc.bottom - nMinDropZone); break;
        case CBRS_ALIGN_LEFT: rc.right = std::max(rc.right, rc.left + nMinDropZone); break;
        default: rc.left = std::min(rc.left, rc.right - nMinDropZone); break;
        }
        if (::PtInRect(&rc, ptScreen))
            return side.nID;
    }
    return AFX_IDW_DOCKBAR_FLOAT;
}

RECT CDockContext::DropRect(POINT ptScreen, UINT nTarget) const {
    SIZE size{};
    if (nTarget == AFX_IDW_DOCKBAR_FLOAT) {
        size = CMiniDockFrameWnd::WindowSizeFor(m_pBar->CalcDynamicLayout(0, LM_MRUWIDTH));
    } else {
        bool bHorz = nTarget == AFX_IDW_DOCKBAR_TOP || nTarget == AFX_IDW_DOCKBAR_BOTTOM;
        size = m_pBar->CalcDynamicLayout(0, LM_STRETCH | (bHorz ? LM_HORZDOCK | LM_HORZ : LM_VERTDOCK));
        // Stretched along the side: as long as the side's dock bar.
        CFrameWnd* pFrame = m_pBar->GetDockingFrame();
        CDockBar* pDockBar = pFrame ? pFrame->GetDockBar(nTarget) : nullptr;
        RECT rcDock = pDockBar && pDockBar->m_hWnd ? WindowRectOf(pDockBar->m_hWnd) : RECT{};
        if (bHorz)
            size.cx = std::min(size.cx, static_cast<LONG>(rcDock.right - rcDock.left));
        else
            size.cy = std::min(size.cy, static_cast<LONG>(rcDock.bottom - rcDock.top));
    }
    // The pointer keeps its place in the bar, as far as the new shape allows.
    LONG dx = std::clamp(m_ptOffset.x, 0L, std::max(0L, size.cx - 1));
    LONG dy = std::clamp(m_ptOffset.y, 0L, std::max(0L, size.cy - 1));
    RECT rc{ptScreen.x - dx, ptScreen.y - dy, 0, 0};
    rc.right = rc.left + size.cx;
    rc.bottom = rc.top + size.cy;
    return rc;
}

void CDockContext::ShowFrame(const RECT* pRect) {
    if (!m_bShown && !pRect)
        return;
    CWindowDC dc(nullptr); // the screen: the frame crosses window borders
    if (!dc.Get())
        return;
    if (m_bShown)
        InvertDragFrame(dc.Get(), m_rcShown, m_pBar->Scale(kFrameThickness));
    m_bShown = pRect != nullptr;
    if (pRect) {
        m_rcShown = *pRect;
        InvertDragFrame(dc.Get(), m_rcShown, m_pBar->Scale(kFrameThickness));
    }
}
