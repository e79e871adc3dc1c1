// CProgress: the status bar's account of long work, and the repaints that keep the windows drawn
// while the window's thread is busy with it.
#include "framework/Progress.h"
#include "framework/FrameWnd.h"
#include "framework/StatusBar.h"
#include "framework/Strings.h"
#include <algorithm>
#include <string>

CProgress::CProgress(CFrameWnd* pFrame)
    : m_pFrame(pFrame && pFrame->m_hWnd ? pFrame : nullptr), m_nStart(::GetTickCount64()) {}

CProgress::~CProgress() {
    if (m_bShown && m_pFrame && ::IsWindow(m_pFrame->m_hWnd) && !s_pfnShow)
        m_pFrame->SetMessageText(m_strBefore);
}

CProgress::ShowFunction CProgress::SetShowFunction(ShowFunction pfn) {
    ShowFunction previous = s_pfnShow;
    s_pfnShow = pfn;
    return previous;
}

void CProgress::Step(UINT nTextId, ULONGLONG nDone, ULONGLONG nTotal) {
    if (!m_pFrame && !s_pfnShow)
        return;
    const ULONGLONG nNow = ::GetTickCount64();
    if (nNow - m_nStart < kDelayMs)
        return;
    const int nPercent = nTotal ? static_cast<int>(std::min<ULONGLONG>(nDone, nTotal) * 100 / nTotal) : 0;
    const bool bChanged = nTextId != m_nLastText || nPercent != m_nLastPercent;
    if (m_bShown && (!bChanged || (nNow - m_nLastShown < kRefreshMs && nTextId == m_nLastText)))
        return;
    m_nLastShown = nNow;
    m_nLastText = nTextId;
    m_nLastPercent = nPercent;
    if (!m_bShown && m_pFrame && m_pFrame->GetStatusBar())
        m_strBefore = m_pFrame->GetStatusBar()->GetPaneText(0);
    m_bShown = true;
    if (s_pfnShow) {
        s_pfnShow(m_pFrame, nTextId, nPercent);
        return;
    }
    ShowInPane(m_pFrame, nTextId, nPercent);
    PaintWaitingWindows();
}

void CProgress::ShowInPane(CFrameWnd* pFrame, UINT nTextId, int nPercent) {
    if (pFrame && ::IsWindow(pFrame->m_hWnd))
        pFrame->SetMessageText(FormatString(nTextId, {std::to_wstring(nPercent)}));
}

void CProgress::PaintWaitingWindows() {
    // Painting is all the queue is asked for; a window that keeps invalidating itself cannot hold
    // the work up for more than a few rounds.
    MSG msg;
    for (int n = 0; n < 64 && ::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++n)
        ::DispatchMessageW(&msg);
}
