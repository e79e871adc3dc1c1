#pragma once
// Inverted drag feedback drawn straight on a DC: the frame of a rectangle (a bar being dragged)
// and a filled bar (a sizing edge being tracked), in a halftone pattern so a second call at the
// same place erases it.
#include <windows.h>

void InvertDragFrame(HDC hDC, const RECT& rc, int nThickness);
void InvertDragBar(HDC hDC, const RECT& rc);
