#pragma once
// CControlBar: a child window docked along one side of a frame (status bar, docking panes). The
// frame lays the visible bars out along its edges, in creation order, and gives the view the rest.
// A bar that enables docking lives in one of the frame's dock bars or floats in a mini-frame, and
// its dock context lets the user drag it between them.
#include "framework/Dpi.h"
#include "framework/Wnd.h"
#include <memory>

// Bar styles: the low 16 bits (and the gripper bit) of a bar's creation style are bar styles, the
// rest window styles.
#define CBRS_FLOATING 0x0001L
#define CBRS_SIZE_FIXED 0x0002L
#define CBRS_SIZE_DYNAMIC 0x0004L
#define CBRS_HIDE_INPLACE 0x0008L
#define CBRS_TOOLTIPS 0x0010L
#define CBRS_FLYBY 0x0020L
#define CBRS_FLOAT_MULTI 0x0040L
#define CBRS_BORDER_3D 0x0080L
#define CBRS_BORDER_LEFT 0x0100L
#define CBRS_BORDER_TOP 0x0200L
#define CBRS_BORDER_RIGHT 0x0400L
#define CBRS_BORDER_BOTTOM 0x0800L
#define CBRS_BORDER_ANY 0x0F00L
#define CBRS_ALIGN_LEFT 0x1000L
#define CBRS_ALIGN_TOP 0x2000L
#define CBRS_ALIGN_RIGHT 0x4000L
#define CBRS_ALIGN_BOTTOM 0x8000L
#define CBRS_ALIGN_ANY 0xF000L
#define CBRS_ORIENT_HORZ (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)
#define CBRS_ORIENT_VERT (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT)
#define CBRS_GRIPPER 0x00400000L
#define CBRS_ALL 0x0040FFFFL
#define CBRS_NOALIGN 0x00000000L
#define CBRS_LEFT (CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT)
#define CBRS_TOP (CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM)
#define CBRS_RIGHT (CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT)
#define CBRS_BOTTOM (CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP)

// Modes of CalcDynamicLayout: what size is asked for.
#define LM_STRETCH 0x01  // stretched to the frame along the side
#define LM_HORZ 0x02     // horizontal
#define LM_MRUWIDTH 0x04 // the floating size last used
#define LM_HORZDOCK 0x08 // the size docked at the top or bottom
#define LM_VERTDOCK 0x10 // the size docked at the left or right
#define LM_LENGTHY 0x20  // nLength is a height, not a width
#define LM_COMMIT 0x40   // keep the size computed

class CFrameWnd;
class CDockBar;
class CDockContext;

class CControlBar : public CWnd {
public:
    CControlBar();
    ~CControlBar() override;

    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle & CBRS_ALL; }
    // Sides the bar may dock on (CBRS_ALIGN_*); the frame must allow them too. Any side gives the
    // bar a dock context, so it can be dragged and floated.
    void EnableDocking(DWORD dwDockStyle);
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    bool IsVisible() const { return m_hWnd && (GetStyle() & WS_VISIBLE) != 0; }

    // The frame the bar docks in, the dock bar holding it (null when it is a plain child of the
    // frame) and that dock bar's id (AFX_IDW_DOCKBAR_TOP ... _FLOAT, or 0).
    CFrameWnd* GetDockingFrame() const { return m_pDockSite; }
    CDockBar* GetDockBar() const { return m_pDockBar; }
    UINT GetDockBarID() const;
    bool IsFloating() const;
    CDockContext* GetDockContext() const { return m_pDockContext.get(); }

    // The size the bar needs along its side: its height when docked at the top or bottom, its
    // width at the left or right; the other dimension is the frame's.
    virtual SIZE CalcFixedLayout(bool bStretch, bool bHorz);
    // The size for a dock side (LM_HORZDOCK, LM_VERTDOCK) or for floating, nLength being the
    // width or (LM_LENGTHY) the height asked for; the plain bar answers its fixed size.
    virtual SIZE CalcDynamicLayout(int nLength, DWORD dwMode);
    // Called on every idle pass through the frame, so bars can refresh what they show.
    virtual void OnIdleUpdate(CFrameWnd* pFrame);
    // The bar moved to another dock bar, or began or stopped floating.
    virtual void OnDockBarChanged() {}

    // The DPI the bar's sizes and fonts are made for: its window's when it was created or last
    // updated. Scale gives a length meant at 96 DPI at that DPI.
    UINT GetDpi() const { return m_nDpi; }
    int Scale(int n) const { return ScaleForDpi(n, m_nDpi); }
    // Takes the DPI of the bar's window as it is now (after a move to a monitor of another DPI);
    // a change reaches OnDpiChanged. The frame calls it for its bars on WM_DPICHANGED, and a bar
    // hearing WM_DPICHANGED_AFTERPARENT calls it itself; the second call finds nothing to do.
    void UpdateDpi();

protected:
    // Starts a drag with the left button and toggles docking on a double click, when docking is
    // enabled; the drag follows the mouse while the bar holds the capture.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    // The bar's DPI changed from nOldDpi to GetDpi(): fonts and sizes are made again.
    virtual void OnDpiChanged(UINT /*nOldDpi*/) {}

    // Splits a creation style into the bar style (kept) and the window style (returned).
    DWORD TakeBarStyle(DWORD dwStyle) {
        m_dwStyle = dwStyle & CBRS_ALL;
        return dwStyle & ~static_cast<DWORD>(CBRS_ALL);
    }

    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;
    CFrameWnd* m_pDockSite = nullptr;
    CDockBar* m_pDockBar = nullptr;
    std::unique_ptr<CDockContext> m_pDockContext;
    UINT m_nDpi = kDefaultDpi;

private:
    friend class CDockBar;
    friend class CFrameWnd;
    friend class CMiniDockFrameWnd;
};
