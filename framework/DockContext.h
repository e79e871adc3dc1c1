#pragma once
// CDockContext: the drag of a dockable control bar. A left-button press on the bar starts it; the
// bar keeps the mouse capture and hands on its mouse messages (Wine's DragDetect does not report
// drags, so the context tracks the pointer itself). Past the system's drag distance an inverted
// frame shows where the bar would go: docked, in the shape of that side, while the pointer is
// over a dock bar's area, floating elsewhere (or while Ctrl is held). The button's release docks
// or floats the bar there; Esc (held at the next move), the right button or a lost capture cancel.
// A double click toggles between docked and floating.
#include <windows.h>

class CControlBar;

class CDockContext {
public:
    explicit CDockContext(CControlBar* pBar) : m_pBar(pBar) {}
    CDockContext(const CDockContext&) = delete;
    CDockContext& operator=(const CDockContext&) = delete;
    ~CDockContext();

    void StartDrag(POINT ptScreen);
    void Move(POINT ptScreen);
    void EndDrag(POINT ptScreen);
    void CancelDrag();
    void ToggleDocking();
    bool IsTracking() const { return m_bTracking; }

    // What a release at ptScreen would do: the id of the dock bar it docks in, or
    // AFX_IDW_DOCKBAR_FLOAT.
    UINT DropTarget(POINT ptScreen) const;
    // Where the bar goes for that target, in screen coordinates.
    RECT DropRect(POINT ptScreen, UINT nTarget) const;

    // The side the bar was last docked on, where a double click on the floating bar docks it.
    UINT m_nLastDockBarID = 0;
    // Where the floating bar was last put (mini-frame's top-left), valid once it floated.
    POINT m_ptLastFloat{};
    bool m_bFloatedBefore = false;

private:
    void ShowFrame(const RECT* pRect);

    CControlBar* m_pBar;
    bool m_bTracking = false;
    bool m_bDragging = false;
    POINT m_ptStart{};
    POINT m_ptOffset{}; // the pointer's offset into the bar's window at the press
    RECT m_rcShown{};
    bool m_bShown = false;
};
