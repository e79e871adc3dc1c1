// The print preview (in progress).
#include "framework/View.h"

void CView::OnFilePrintPreview() {}
