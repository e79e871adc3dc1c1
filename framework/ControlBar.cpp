// CControlBar: default size and idle behaviour of a bar.
#include "framework/ControlBar.h"

SIZE CControlBar::CalcFixedLayout(bool, bool) {
    RECT rc{};
    if (m_hWnd)
        ::GetWindowRect(m_hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CControlBar::OnIdleUpdate(CFrameWnd*) {}
