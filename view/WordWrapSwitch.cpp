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
    // The old control takes an empty block in exchange for its text, which moves over whole.
    HLOCAL hEmpty = ::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(wchar_t));
    if (!hEmpty)
        return false;
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
    // keeps its place in the parent until the new one is shown. The text does not go in as the new
    // control's window name: under Wine a name of a few MB makes the creation fail (word wrap then
    // could not be switched on for a large file), and it would be copied twice. The block holding
    // it moves instead, without a change notice, which would mark the document modified, and
    // without WM_SETTEXT, which the view would record.
    HWND hOld = m_view.UnsubclassWindow();
    ::SetWindowLongPtrW(hOld, GWLP_ID, nID + 1);
    bool bCreated = false;
    {
        m_bSwitching = true;
        CScopeExit done([this] { m_bSwitching = false; });
        bCreated = m_view.CreateEx(WS_EX_CLIENTEDGE, CTextControl::kClassName, L"", dwStyle, rc, hParent,
                                   static_cast<UINT_PTR>(nID));
    }
    if (!bCreated) {
        ::LocalFree(hEmpty);
        ::SetWindowLongPtrW(hOld, GWLP_ID, nID);
        m_view.SubclassWindow(hOld);
        return false;
    }
    HWND hNew = m_view.m_hWnd;
    // Neither control frees the block it lets go of: the old one's text goes to the new one, the
    // new one's first (empty) block is freed here, and the old one frees the empty block.
    auto hText = reinterpret_cast<HLOCAL>(::SendMessageW(hOld, EM_GETHANDLE, 0, 0));
    ::SendMessageW(hOld, EM_SETHANDLE, reinterpret_cast<WPARAM>(hEmpty), 0);
    auto hFirst = reinterpret_cast<HLOCAL>(m_view.SendMessage(EM_GETHANDLE));
    m_view.SendMessage(EM_SETHANDLE, reinterpret_cast<WPARAM>(hText));
    if (reinterpret_cast<HLOCAL>(m_view.SendMessage(EM_GETHANDLE)) != hText) {
        // Not adopted (no memory for it): the old control takes its text back and stays.
        ::SendMessageW(hOld, EM_SETHANDLE, reinterpret_cast<WPARAM>(hText), 0);
        ::LocalFree(hEmpty);
        ::DestroyWindow(m_view.UnsubclassWindow());
        ::SetWindowLongPtrW(hOld, GWLP_ID, nID);
        m_view.SubclassWindow(hOld);
        return false;
    }
    ::LocalFree(hFirst);
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
