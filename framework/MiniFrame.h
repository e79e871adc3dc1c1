#pragma once
// CMiniDockFrameWnd: the small tool window a floating control bar lives in, owned by the frame. Its
// caption is the bar's title, its close box hides the bar, a double click on the caption docks the
// bar again, and its sizing borders set the bar's floating size. A floating dock bar fills its
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
    CFrameWnd* m_pFrame = nullptr;
    CDockBar m_wndDockBar;
    bool m_bPlacing = false; // our own resize, not the user's: the bar's size stays
};
