// CWordWrapSwitch: a new control with the other wrap style, created in the old one's place.
#include "view/WordWrapSwitch.h"
#include "framework/EditView.h"
#include "view/TextControl.h"
#include "framework/ScopeExit.h"
#include "framework/WaitCursor.h"
#include <string>

bool CWordWrapSwitch::IsWordWrap() const {
    return m_view.m_hWnd && !(m_view.GetStyle() & ES_AUTOHSCROLL);
}

bool CWordWrapSwitch::Toggle() {
    const bool bWrap = !IsWordWrap();
    CWaitCursor wait;
    const int nFirstChar = m_view.LineIndex(m_view.GetFirstVisibleLine());
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    auto hFont = reinterpret_cast<HFONT>(m_view.SendMessage(WM_GETFONT));
    const std::wstring strText = m_view.GetText();
    const bool bHadFocus = ::GetFocus() == m_view.m_hWnd;
    const int nID = m_view.GetDlgCtrlID();
    const HWND hParent = m_view.GetParent();
    RECT rc{};
    ::GetWindowRect(m_view.m_hWnd, &rc);
    ::MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rc), 2);
    DWORD dwStyle = WS_CHILD | WS_VSCROLL | ES_NOHIDESEL | ES_AUTOVSCROLL | ES_MULTILINE;
    if (!bWrap)
        dwStyle |= WS_HSCROLL | ES_AUTOHSCROLL;

    // The old control leaves the view first, so nothing it does from now on reaches the view; it
    // keeps its place in the parent until the new one is shown. The text goes in as the new
    // control's window name: the control takes it at creation without a change notice, which
    // would mark the document modified, and without WM_SETTEXT, which the view would record.
    HWND hOld = m_view.UnsubclassWindow();
    ::SetWindowLongPtrW(hOld, GWLP_ID, nID + 1);
    bool bCreated = false;
    {
        m_bSwitching = true;
        CScopeExit done([this] { m_bSwitching = false; });
        bCreated = m_view.CreateEx(WS_EX_CLIENTEDGE, CTextControl::kClassName, strText.c_str(), dwStyle, rc, hParent,
                                   static_cast<UINT_PTR>(nID));
    }
    if (!bCreated) {
        ::SetWindowLongPtrW(hOld, GWLP_ID, nID);
        m_view.SubclassWindow(hOld);
        return false;
    }
    HWND hNew = m_view.m_hWnd;
    m_view.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    ::ShowWindow(hNew, SW_SHOW);
    ::SetWindowPos(hNew, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    ::InvalidateRect(hNew, nullptr, TRUE);
    ::UpdateWindow(hNew);
    ::ShowWindow(hOld, SW_HIDE);
    ::DestroyWindow(hOld);

    if (bHadFocus)
        m_view.SetFocus();
    m_view.LineScroll(m_view.LineFromChar(nFirstChar) - m_view.GetFirstVisibleLine());
    m_view.SetSel(nStart, nEnd, true);
    m_view.RaiseTextLimit();
    return true;
}
