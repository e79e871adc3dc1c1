#pragma once
// CMiniDockFrameWnd: the small tool window a floating control bar lives in, owned by the frame. Its
// caption is the bar's title and drags the bar (to another place, or onto a side to dock it), a
// double click on it docks the bar again, its close box hides the bar, and its sizing borders set
// the bar's floating size. A floating dock bar fills its
// client area and holds the bar.
#include "framework/DockBar.h"

class CFrameWnd;

class CMiniDockFrameWnd : public CWnd {
public:
    CMiniDockFrameWnd() = default;
    ~CMiniDockFrameWnd() override;

    // Creates the hidden window, owned by pFrame, with its floating dock bar.
    bool Create(CFrameWnd* pFrame);
    CDockBar& GetDockBar() { return m_wndDockBar; }
    CControlBar* GetBar() const { return m_wndDockBar.GetFirstBar(); }
    // Puts the window's top-left at ptScreen and sizes it around the bar's floating size.
    void PlaceAround(POINT ptScreen);
    // The window size of a mini-frame whose client area is sizeClient.
    static SIZE WindowSizeFor(SIZE sizeClient);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnClose() override;

private:
    // Moved to a monitor of another DPI (WM_DPICHANGED): the bar follows, the window takes the
    // suggested rectangle.
    void OnDpiChanged(UINT nDpi, const RECT& rcSuggested);

    CFrameWnd* m_pFrame = nullptr;
    CDockBar m_wndDockBar;
    bool m_bPlacing = false; // our own resize, not the user's: the bar's size stays
};
