#pragma once
// CPreviewView: the print preview inside the frame, in the view's place. It runs the view's print
// steps on the screen, with the printer as the device that measures, so a page looks as it will
// on paper: one or two pages at a time, page forward and back, zoom in and out (with scrolling),
// print, and close back to the view. It deletes itself when its window goes.
#include "framework/Dpi.h"
#include "framework/GdiHandles.h"
#include "framework/PrintInfo.h"
#include "framework/Wnd.h"
#include <memory>

class CView;
class CFrameWnd;

class CPreviewView : public CWnd {
public:
    // Prepares printing for the view (false when there is no printer) and shows the preview.
    static bool Start(CView* pView, CFrameWnd* pFrame);

    UINT GetPageCount() const { return m_info.GetMaxPage(); }
    UINT GetCurrentPage() const { return m_nPage; }
    // Ends printing, shows the view again and destroys the preview.
    void Close();

    bool OnCmdMsg(UINT nID, int nCode, void* pExtra) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSize(UINT nType, int cx, int cy) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void PostNcDestroy() override { delete this; }

private:
    CPreviewView(CView* pView, CFrameWnd* pFrame) : m_pView(pView), m_pFrame(pFrame) {}
    bool Create();
    void OnPaint();
    void PaintPage(HDC hDC, const RECT& rcPage, UINT nPage);
    // The screen rectangles of the pages shown, in client coordinates, scroll position applied.
    void PageRects(RECT* pRects, int& nCount) const;
    void GoToPage(UINT nPage);
    void SetNumPages(UINT nPages);
    void Zoom(int nStep);
    void UpdateBar();
    void UpdateScrollBars();
    void OnScroll(int nBar, UINT nCode);

    CView* m_pView;
    CFrameWnd* m_pFrame;
    CPrintInfo m_info;
    UINT m_nPage = 1;
    UINT m_nNumPages = 1; // pages side by side: 1 or 2
    int m_nZoom = 0;      // 0: whole pages in the window; 1, 2: twice and four times that
    POINT m_ptScroll{};
    HWND m_hDesc = nullptr;
    UINT m_nDpi = 96;  // of the window, when it was made
    CFontHandle m_font; // the bar's font at that DPI
    int Scale(int n) const { return ScaleForDpi(n, m_nDpi); }
    int BarHeight() const;
    int Gap() const; // around and between pages
};
