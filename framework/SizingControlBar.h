#pragma once
// CSizingControlBar: a control bar the user docks on any side of the frame or floats, and resizes
// by dragging its inner edge; CSizingControlBarG adds a gripper and a close button.
//
// What a pane built on it uses (the find-in-files results pane does exactly this):
//   derive from CSizingControlBarG; in the main frame's OnCreate:
//     m_wndPane.Create(title, this, id, WS_CHILD | CBRS_BOTTOM | CBRS_SIZE_DYNAMIC | ...);
//     m_wndPane.SetSCBStyle(m_wndPane.GetSCBStyle() | SCBS_SIZECHILD); // first child fills it
//     m_wndPane.EnableDocking(CBRS_ALIGN_ANY);
//     EnableDocking(CBRS_ALIGN_ANY);            // the frame's dock bars
//     DockControlBar(&m_wndPane, AFX_IDW_DOCKBAR_BOTTOM);
//   then ShowControlBar(&m_wndPane, show, false) and m_wndPane.IsVisible(). The pane's own child
//   window is created with the bar as its parent. Nothing about the bar is stored across runs.
#include "framework/ControlBar.h"
#include "framework/GdiHandles.h"
#include <vector>

// Sizing styles (GetSCBStyle/SetSCBStyle).
#define SCBS_EDGELEFT 0x00000001
#define SCBS_EDGERIGHT 0x00000002
#define SCBS_EDGETOP 0x00000004
#define SCBS_EDGEBOTTOM 0x00000008
#define SCBS_EDGEALL 0x0000000F
#define SCBS_SHOWEDGES 0x00000010 // the edges take room of their own and are drawn
#define SCBS_SIZECHILD 0x00000020 // WM_SIZE makes the first child window cover the client area

class CSizingControlBar : public CControlBar {
public:
    CSizingControlBar();

    // Creates the bar as a child of the frame (hidden unless dwStyle has WS_VISIBLE). dwStyle mixes
    // window styles with CBRS_* bar styles, which the bar keeps.
    bool Create(const wchar_t* pszTitle, CFrameWnd* pParentWnd, UINT nID,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP);
    // The same, with sizeDefault as the docked (both orientations) and floating size.
    bool Create(const wchar_t* pszTitle, CFrameWnd* pParentWnd, SIZE sizeDefault, UINT nID,
                DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP);

    DWORD GetSCBStyle() const { return m_dwSCBStyle; }
    void SetSCBStyle(DWORD dwStyle) { m_dwSCBStyle = dwStyle; }
    // Docked at the top or bottom (or a plain child laid out horizontally).
    bool IsHorzDocked() const;
    bool IsTracking() const { return m_bTracking; }
    // Whether window contents move while an edge is dragged (SPI_GETDRAGFULLWINDOWS).
    bool IsDragShowContent() const { return m_bDragShowContent; }

    SIZE CalcFixedLayout(bool bStretch, bool bHorz) override;
    SIZE CalcDynamicLayout(int nLength, DWORD dwMode) override;
    void OnDockBarChanged() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnDpiChanged(UINT nOldDpi) override;
    // WM_CLOSE does not close a bar: the frame shows and hides it.
    void OnClose() override {}

    // The non-client layout: the client rectangle inside rcWindow (any origin). Derived bars take
    // more room (the gripper) after calling the base.
    virtual RECT NcCalcClient(const RECT& rcWindow);
    // Paints the non-client extras into the memory DC, window coordinates.
    virtual void NcPaint(HDC hDC, const RECT& rcWindow, const RECT& rcClient);
    // Hit test in window coordinates (0,0 the window's top-left).
    virtual LRESULT NcHitTest(POINT ptWindow);
    virtual void OnNcLButtonUp(UINT nHitTest);

    // Size of the bar docked at the top or bottom, at the left or right, and floating, with their
    // minimums; thickness is cy for the first, cx for the second. Given at 96 DPI until the bar is
    // created, in pixels at the bar's DPI from then on.
    SIZE m_szHorz{200, 200};
    SIZE m_szVert{200, 200};
    SIZE m_szFloat{200, 200};
    bool m_bFloatSizeChosen = false; // m_szFloat set by the creator or chosen at the first float
    SIZE m_szMinHorz{33, 32};
    SIZE m_szMinVert{33, 32};
    SIZE m_szMinFloat{37, 32};
    DWORD m_dwSCBStyle = 0;
    int m_cxEdge = 5;
    UINT m_nDockBarID = 0;
    bool m_bDragShowContent = false;

private:
    // The sizes above from nFromDpi to the bar's DPI; the edge from its length at 96 DPI.
    void ScaleSizes(UINT nFromDpi);
    std::vector<CSizingControlBar*> RowSizingBars() const;
    void NegotiateRow(const std::vector<CSizingControlBar*>& row, bool bHorz);
    void UpdateEdges(const std::vector<CSizingControlBar*>& row);
    LRESULT OnNcCalcSize(BOOL bCalcValidRects, LPARAM lParam);
    void OnNcPaint();
    void StartTracking(UINT nHitTest, POINT ptScreen);
    void OnTrackMove(POINT ptScreen);
    void StopTracking();
    void ApplyTrackDelta(int nDelta);
    void ShowTrackLine(bool bShow);
    RECT TrackLineRect(int nPos) const;
    bool TracksThickness() const;

    bool m_bTracking = false;
    UINT m_htEdge = 0;
    int m_nTrackPosMin = 0;
    int m_nTrackPosMax = 0;
    int m_nTrackPosStart = 0;
    int m_nTrackPosOld = 0;
    int m_nTrackEdgeOfs = 0; // pointer minus edge at the press
    bool m_bTrackLineShown = false;
};

class CSizingControlBarG : public CSizingControlBar {
public:
    CSizingControlBarG() = default;

    // The close button's flags, as the last idle update found them.
    bool IsCloseHovered() const { return m_bCloseHovered; }
    bool IsClosePushed() const { return m_bClosePushed; }
    // The close button in window coordinates (empty while floating).
    RECT GetCloseRect() const { return m_rcClose; }

    // The close button follows the pointer and the left button.
    void OnIdleUpdate(CFrameWnd* pFrame) override;

protected:
    RECT NcCalcClient(const RECT& rcWindow) override;
    void NcPaint(HDC hDC, const RECT& rcWindow, const RECT& rcClient) override;
    LRESULT NcHitTest(POINT ptWindow) override;
    void OnNcLButtonUp(UINT nHitTest) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDpiChanged(UINT nOldDpi) override;

    int m_cyGripper = 12;
    SIZE m_szClose{11, 11};

private:
    // The gripper's and close button's lengths and the close glyph's font at the bar's DPI.
    void ScaleGripper();

    RECT m_rcClose{};   // window coordinates; empty when there is none
    RECT m_rcGripper{}; // the gripper strip, window coordinates
    bool m_bCloseHovered = false;
    bool m_bClosePushed = false;
    CFontHandle m_fontMarlett;
};
