// CStatusBar: panes of the platform status bar control, their widths and texts, and the key lock
// indicators refreshed on idle passes.
#include "framework/StatusBar.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiHandles.h"
#include "framework/Strings.h"
#include <commctrl.h>
#include <utility>

bool CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    DWORD dwWndStyle = TakeBarStyle(dwStyle);
    // The bar lies along the bottom of the frame; the size grip only makes sense on a sizable one.
    if (pParentWnd && (pParentWnd->GetStyle() & WS_THICKFRAME))
        dwWndStyle |= SBARS_SIZEGRIP;
    dwWndStyle |= WS_CHILD | WS_CLIPSIBLINGS;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CreateEx(0, STATUSCLASSNAMEW, L"", dwWndStyle, RECT{0, 0, 0, 0}, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    nID);
}

bool CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    if (!m_hWnd || nIDCount <= 0 || nIDCount > 255)
        return false;
    m_panes.assign(static_cast<size_t>(nIDCount), Pane{});
    for (int i = 0; i < nIDCount; ++i) {
        Pane& pane = m_panes[static_cast<size_t>(i)];
        pane.nID = lpIDArray[i];
        if (pane.nID != ID_SEPARATOR) {
            std::wstring strText = LoadStringResource(pane.nID);
            if (strText.empty())
                return false; // an indicator without its string cannot be shown
            pane.strSample = strText;
            pane.cxText = MeasureText(strText);
        }
    }
    // The first pane stretches over whatever the others leave.
    m_panes[0].nStyle |= SBPS_STRETCH | SBPS_NOBORDERS;
    UpdatePartEdges();
    for (int i = 0; i < nIDCount; ++i)
        ApplyText(i);
    return true;
}

UINT CStatusBar::GetItemID(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].nID : 0;
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
    const Pane& pane = m_panes.at(static_cast<size_t>(nIndex));
    nID = pane.nID;
    nStyle = pane.nStyle;
    cxWidth = pane.cxText;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    pane.nID = nID;
    pane.nStyle = nStyle;
    pane.cxText = cxWidth;
    pane.strSample.clear();
    UpdatePartEdges();
    ApplyText(nIndex);
}

void CStatusBar::SetPaneWidthFromText(int nIndex, const std::wstring& strSample) {
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    pane.strSample = strSample;
    pane.cxText = MeasureText(strSample);
    UpdatePartEdges();
    ApplyText(nIndex);
}

std::wstring CStatusBar::GetPaneText(int nIndex) const {
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[static_cast<size_t>(nIndex)].strText : std::wstring();
}

bool CStatusBar::SetPaneText(int nIndex, const std::wstring& strText, bool bUpdate) {
    if (nIndex < 0 || nIndex >= GetCount())
        return false;
    Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    if (pane.bTextSet && pane.strText == strText)
        return true; // unchanged: no repaint
    pane.strText = strText;
    pane.bTextSet = true;
    ApplyText(nIndex);
    if (bUpdate)
        ::UpdateWindow(m_hWnd);
    return true;
}

int CStatusBar::MeasureText(const std::wstring& strText) const {
    CClientDC dc(m_hWnd);
    if (!dc.Get())
        return 0;
    CSelectObject font(dc.Get(), GetFont());
    RECT rc{0, 0, 0, 0};
    ::DrawTextW(dc.Get(), strText.c_str(), static_cast<int>(strText.size()), &rc,
                DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return rc.right - rc.left;
}

SIZE CStatusBar::CalcFixedLayout(bool, bool) {
    // The control decides its own height from its font; the width is the frame's.
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

void CStatusBar::OnIdleUpdate(CFrameWnd*) {
    for (int i = 0; i < GetCount(); ++i) {
        int nKey = LockKeyOf(m_panes[static_cast<size_t>(i)].nID);
        if (nKey == 0)
            continue;
        bool bOn = (::GetKeyState(nKey) & 1) != 0;
        SetPaneText(i, bOn ? LoadStringResource(m_panes[static_cast<size_t>(i)].nID) : std::wstring(), true);
    }
}

int CStatusBar::OnCreate(CREATESTRUCTW* pCreate) {
    if (CControlBar::OnCreate(pCreate) == -1)
        return -1;
    MakeFont();
    return 0;
}

void CStatusBar::MakeFont() {
    // The control's own font is the system's at the system DPI, which is not the monitor's.
    NONCLIENTMETRICSW ncm{};
    if (!GetNonClientMetricsForDpi(ncm, GetDpi()))
        return;
    CFontHandle font(::CreateFontIndirectW(&ncm.lfStatusFont));
    if (!font)
        return;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_font = std::move(font);
}

void CStatusBar::OnDpiChanged(UINT) {
    MakeFont();
    // The control takes the height of its new font when it is next sized.
    SendMessage(WM_SIZE, 0, 0);
    for (Pane& pane : m_panes)
        if (!pane.strSample.empty())
            pane.cxText = MeasureText(pane.strSample);
    UpdatePartEdges();
}

void CStatusBar::OnSize(UINT nType, int cx, int cy) {
    CControlBar::OnSize(nType, cx, cy);
    UpdatePartEdges();
}

void CStatusBar::UpdatePartEdges() {
    if (!m_hWnd || m_panes.empty())
        return;
    int borders[3] = {};
    SendMessage(SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    // Room around a pane's text: the sunken edge on both sides, a little padding and the gap
    // between panes.
    const int cxExtra = 2 * GetSystemMetricForDpi(SM_CXEDGE, GetDpi()) + Scale(6) + borders[2];
    RECT rc = GetClientRect();
    int cxFixed = 0;
    for (size_t i = 1; i < m_panes.size(); ++i)
        cxFixed += m_panes[i].cxText + cxExtra;
    if (GetStyle() & SBARS_SIZEGRIP)
        cxFixed += GetSystemMetricForDpi(SM_CXVSCROLL, GetDpi());
    std::vector<int> edges(m_panes.size());
    int x = (rc.right - rc.left) - cxFixed;
    if (x < 0)
        x = 0;
    edges[0] = x;
    for (size_t i = 1; i < m_panes.size(); ++i) {
        x += m_panes[i].cxText + cxExtra;
        edges[i] = x;
    }
    edges.back() = -1; // the last pane runs to the right edge (past the grip)
    SendMessage(SB_SETPARTS, static_cast<WPARAM>(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
    // SB_SETPARTS forgets nothing, but parts that did not exist before start empty.
    for (int i = 0; i < GetCount(); ++i)
        ApplyText(i);
}

void CStatusBar::ApplyText(int nIndex) {
    const Pane& pane = m_panes[static_cast<size_t>(nIndex)];
    WPARAM wParam = static_cast<WPARAM>(nIndex) | (pane.nStyle & (SBT_NOBORDERS | SBT_POPOUT));
    SendMessage(SB_SETTEXTW, wParam, reinterpret_cast<LPARAM>(pane.strText.c_str()));
}

int CStatusBar::LockKeyOf(UINT nID) {
    switch (nID) {
    case ID_INDICATOR_CAPS: return VK_CAPITAL;
    case ID_INDICATOR_NUM: return VK_NUMLOCK;
    case ID_INDICATOR_SCRL: return VK_SCROLL;
    case ID_INDICATOR_KANA: return VK_KANA;
    default: return 0;
    }
}
