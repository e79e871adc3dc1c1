#pragma once
// CDockBar: the strip along one side of a frame (or the client of a floating mini-frame) that holds
// docked control bars in rows. Row 0 lies against the frame's edge; each row is as thick as its
// thickest visible bar, and the dock bar is as thick as its visible rows together.
#include "framework/ControlBar.h"
#include <vector>

class CDockBar : public CControlBar {
public:
    CDockBar() = default;
    ~CDockBar() override;

    // nID is AFX_IDW_DOCKBAR_TOP, _LEFT, _RIGHT, _BOTTOM (a child of the frame) or _FLOAT (the
    // client of a mini-frame).
    bool Create(CWnd* pParentWnd, UINT nID);
    bool IsFloatingDock() const;
    bool IsHorzDock() const; // top, bottom and floating
    // The side's CBRS_ALIGN_* bit (CBRS_ALIGN_TOP for the floating one).
    DWORD GetAlign() const;

    // Makes pBar a child of this dock bar. With a screen rectangle (where a drag dropped it) the
    // bar joins the row under the rectangle's centre, or a new row before or after the others;
    // without one it starts a new innermost row.
    void AddBar(CControlBar* pBar, const RECT* pRectScreen = nullptr);
    // Takes the bar out of its row; an emptied row goes. The window keeps its parent.
    void RemoveBar(CControlBar* pBar);
    bool Contains(const CControlBar* pBar) const;
    const std::vector<std::vector<CControlBar*>>& GetRows() const { return m_rows; }
    // The visible bars of the row holding pBar, in their order along the row.
    std::vector<CControlBar*> GetVisibleRow(const CControlBar* pBar) const;
    int GetVisibleCount() const;
    // The bar a floating dock bar holds, null when empty.
    CControlBar* GetFirstBar() const;

    // The room the frame offers this dock bar (frame client coordinates), set before it asks the
    // bar for its size; empty until the first layout.
    RECT m_rcLayout{};

    // The thickness of the visible rows across, the frame's length along.
    SIZE CalcFixedLayout(bool bStretch, bool bHorz) override;
    // Places the visible bars in their rows, in one deferred window-position batch.
    void LayoutBars();
    void OnIdleUpdate(CFrameWnd* pFrame) override;

private:
    std::vector<std::vector<CControlBar*>> m_rows;
};
