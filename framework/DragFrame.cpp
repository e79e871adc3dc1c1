// Halftone inverted frames and bars for drag feedback.
#include "framework/DragFrame.h"
#include "framework/GdiHandles.h"

namespace {
// A checkerboard of one-pixel squares: inverting with it leaves the screen readable underneath.
CBrushHandle MakeHalftoneBrush() {
    static const WORD kPattern[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
    CBitmapHandle bitmap(::CreateBitmap(8, 8, 1, 1, kPattern));
    return CBrushHandle(bitmap ? ::CreatePatternBrush(bitmap.Get()) : nullptr);
}

void InvertRect(HDC hDC, int x, int y, int cx, int cy) {
    if (cx > 0 && cy > 0)
        ::PatBlt(hDC, x, y, cx, cy, PATINVERT);
}
} // namespace

void InvertDragFrame(HDC hDC, const RECT& rc, int nThickness) {
    CBrushHandle brush = MakeHalftoneBrush();
    CSelectObject select(hDC, brush.Get());
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    InvertRect(hDC, rc.left, rc.top, cx, nThickness);
    InvertRect(hDC, rc.left, rc.bottom - nThickness, cx, nThickness);
    InvertRect(hDC, rc.left, rc.top + nThickness, nThickness, cy - 2 * nThickness);
    InvertRect(hDC, rc.right - nThickness, rc.top + nThickness, nThickness, cy - 2 * nThickness);
}

void InvertDragBar(HDC hDC, const RECT& rc) {
    CBrushHandle brush = MakeHalftoneBrush();
    CSelectObject select(hDC, brush.Get());
    InvertRect(hDC, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}
