// CSearchDlg: initial states, the select-all when shown, button enabling as the search text
// changes, the requests the buttons post, reading the controls for the engine, and context help.
#include "search/SearchDlg.h"
#include "framework/GdiHandles.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "search/SearchHelp.h"
#include "search/SearchHistory.h"
#include <algorithm>

namespace {

// The selection of a multi-line edit control in screen coordinates: from the top of its first
// line to the bottom of its last, across the control when it spans lines; clipped to the control's
// client area. Empty when none of it is in view.
RECT SelectionScreenRect(HWND hEdit) {
    DWORD dwStart = 0, dwEnd = 0;
    ::SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    RECT rcClient{};
    ::GetClientRect(hEdit, &rcClient);
    auto pointOf = [hEdit](DWORD nChar) {
        const auto packed = static_cast<DWORD>(::SendMessageW(hEdit, EM_POSFROMCHAR, nChar, 0));
        return POINT{static_cast<short>(LOWORD(packed)), static_cast<short>(HIWORD(packed))};
    };
    int cyLine = 16;
    {
        CClientDC dc(hEdit);
        CSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(hEdit, WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        if (::GetTextMetricsW(dc.Get(), &tm))
            cyLine = tm.tmHeight;
    }
    const POINT ptFirst = pointOf(dwStart);
    const POINT ptLast = pointOf(dwEnd > dwStart ? dwEnd - 1 : dwStart);
    RECT rc{ptFirst.x, ptFirst.y, ptLast.x + cyLine, ptLast.y + cyLine};
    if (ptLast.y != ptFirst.y || rc.right < rc.left) {
        rc.left = rcClient.left;
        rc.right = rcClient.right;
    }
    RECT rcShown{};
    if (!::IntersectRect(&rcShown, &rc, &rcClient))
        return RECT{};
    ::MapWindowPoints(hEdit, nullptr, reinterpret_cast<POINT*>(&rcShown), 2);
    return rcShown;
}

} // namespace

RECT PlaceClearOf(const RECT& rcWindow, const RECT& rcAvoid, const RECT& rcWork) {
    const LONG cx = rcWindow.right - rcWindow.left, cy = rcWindow.bottom - rcWindow.top;
    RECT rcOverlap{};
    LONG y = rcWindow.top;
    if (::IntersectRect(&rcOverlap, &rcWindow, &rcAvoid)) {
        const LONG nRoomBelow = rcWork.bottom - rcAvoid.bottom, nRoomAbove = rcAvoid.top - rcWork.top;
        if (nRoomBelow >= cy)
            y = rcAvoid.bottom;
        else if (nRoomAbove >= cy)
            y = rcAvoid.top - cy;
        else
            y = nRoomBelow >= nRoomAbove ? rcAvoid.bottom : rcAvoid.top - cy;
    }
    const LONG x = std::max(rcWork.left, std::min(rcWindow.left, rcWork.right - cx));
    y = std::max(rcWork.top, std::min(y, rcWork.bottom - cy));
    return RECT{x, y, x + cx, y + cy};
}

CSearchDlg::CSearchDlg(UINT nIDTemplate, CWnd* pOwnerFrame)
    : CDialog(nIDTemplate, pOwnerFrame), m_pOwnerFrame(pOwnerFrame) {}

bool CSearchDlg::Create() {
    return CDialog::Create(GetTemplateID(), m_pOwnerFrame);
}

void CSearchDlg::MoveClearOfSelection(HWND hEdit) const {
    if (!m_hWnd || !hEdit)
        return;
    const RECT rcSelection = SelectionScreenRect(hEdit);
    if (::IsRectEmpty(&rcSelection))
        return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromRect(&rcSelection, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    RECT rcDialog{};
    ::GetWindowRect(m_hWnd, &rcDialog);
    const RECT rcNew = PlaceClearOf(rcDialog, rcSelection, monitor.rcWork);
    if (rcNew.left != rcDialog.left || rcNew.top != rcDialog.top)
        ::SetWindowPos(m_hWnd, nullptr, rcNew.left, rcNew.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CSearchDlg::IsReplaceDialog() const {
    return GetTemplateID() == IDD_REPLACE;
}

void CSearchDlg::SetFindText(const std::wstring& strText) const {
    ::SetDlgItemTextW(m_hWnd, IDC_FIND_WHAT, strText.c_str());
}

void CSearchDlg::SetReplaceText(const std::wstring& strText) const {
    ::SetDlgItemTextW(m_hWnd, IDC_REPLACE_WITH, strText.c_str());
}

void CSearchDlg::SetWrapAround(bool bWrapAround) const {
    if (m_btnWrapAround.m_hWnd)
        m_btnWrapAround.SetCheck(bWrapAround ? BST_CHECKED : BST_UNCHECKED);
}

void CSearchDlg::SetSelectionExists(bool bSelection) const {
    HWND hBox = m_btnInSelection.m_hWnd;
    if (hBox && (::IsWindowEnabled(hBox) != FALSE) != bSelection)
        ::EnableWindow(hBox, bSelection ? TRUE : FALSE);
}

void CSearchDlg::RefreshHistory() const {
    const SearchHistory& history = TheSearchHistory();
    FillHistoryCombo(GetDlgItem(IDC_FIND_WHAT), history.finds);
    if (IsReplaceDialog())
        FillHistoryCombo(GetDlgItem(IDC_REPLACE_WITH), history.replaces);
}

SearchRequest CSearchDlg::GetSearchRequest() {
    m_strFind = m_wndFindWhat.m_hWnd ? m_wndFindWhat.GetWindowText() : std::wstring();
    SearchRequest request;
    request.strFind = m_strFind;
    request.fWholeWord = m_btnWholeWord.m_hWnd && m_btnWholeWord.GetCheck() == BST_CHECKED;
    request.fMatchCase = m_btnMatchCase.m_hWnd && m_btnMatchCase.GetCheck() == BST_CHECKED;
    request.fRegex = m_btnRegex.m_hWnd && m_btnRegex.GetCheck() == BST_CHECKED;
    request.fWrapAround = m_btnWrapAround.m_hWnd && m_btnWrapAround.GetCheck() == BST_CHECKED;
    if (IsReplaceDialog()) {
        request.fInSelection = m_btnInSelection.m_hWnd && ::IsWindowEnabled(m_btnInSelection.m_hWnd) &&
                               m_btnInSelection.GetCheck() == BST_CHECKED;
        m_strReplace = m_wndReplaceWith.m_hWnd ? m_wndReplaceWith.GetWindowText() : std::wstring();
        request.bReplaceDialog = true;
        request.strReplace = m_strReplace;
        request.fNotepadLike = m_btnNotepadLike.m_hWnd && m_btnNotepadLike.GetCheck() == BST_CHECKED;
        request.fSearchDown = true;
    } else {
        request.fNotepadLike = false;
        request.fSearchDown = !(m_btnSearchUp.m_hWnd && m_btnSearchUp.GetCheck() == BST_CHECKED);
    }
    return request;
}

void CSearchDlg::SubclassControls() {
    // A control the template lacks stays unbound, and reads as clear.
    auto bind = [this](CWnd& wnd, int nID) {
        if (HWND hCtl = GetDlgItem(nID))
            wnd.SubclassWindow(hCtl);
    };
    bind(m_wndFindWhat, IDC_FIND_WHAT);
    bind(m_wndReplaceWith, IDC_REPLACE_WITH);
    bind(m_btnWholeWord, IDC_WHOLE_WORD);
    bind(m_btnMatchCase, IDC_MATCH_CASE);
    bind(m_btnNotepadLike, IDC_NOTEPAD_LIKE);
    bind(m_btnRegex, IDC_REGEX);
    bind(m_btnSearchUp, IDC_SEARCH_UP);
    bind(m_btnSearchDown, IDC_SEARCH_DOWN);
    bind(m_btnReplace, IDC_REPLACE);
    bind(m_btnWrapAround, IDC_WRAP_AROUND);
    bind(m_btnInSelection, IDC_IN_SELECTION);
}

BOOL CSearchDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SubclassControls();
    m_btnWholeWord.SetCheck(m_bInitialWholeWord ? BST_CHECKED : BST_UNCHECKED);
    m_btnMatchCase.SetCheck(m_bInitialMatchCase ? BST_CHECKED : BST_UNCHECKED);
    m_btnRegex.SetCheck(m_bInitialRegex ? BST_CHECKED : BST_UNCHECKED);
    // The labels of the boxes added to the templates come from the string table.
    if (m_btnWrapAround.m_hWnd)
        m_btnWrapAround.SetWindowText(LoadStringResource(IDS_WRAP_AROUND).c_str());
    if (m_btnInSelection.m_hWnd) {
        m_btnInSelection.SetWindowText(LoadStringResource(IDS_IN_SELECTION).c_str());
        m_btnInSelection.SetCheck(BST_UNCHECKED);
        ::EnableWindow(m_btnInSelection.m_hWnd, FALSE); // until the frame tells of a selection
    }
    RefreshHistory();
    if (IsReplaceDialog()) {
        m_btnNotepadLike.SetCheck(BST_UNCHECKED);
    } else {
        // The Find dialog always opens searching down, whatever the last search did.
        ::CheckRadioButton(m_hWnd, IDC_SEARCH_UP, IDC_SEARCH_DOWN, IDC_SEARCH_DOWN);
    }
    SetFindText(m_strInitialFind);
    // Setting an empty box to empty may not report a change: the buttons are set here as well.
    UpdateButtons();
    SetWindowText(LoadStringResource(IsReplaceDialog() ? IDS_REPLACE_CAPTION : IDS_FIND_CAPTION).c_str());
    m_wndFindWhat.SetFocus();
    return FALSE; // the focus is set
}

bool CSearchDlg::HasFindText() const {
    return m_wndFindWhat.m_hWnd && m_wndFindWhat.GetWindowTextLength() > 0;
}

void CSearchDlg::UpdateButtons() const {
    const BOOL bEnable = HasFindText() ? TRUE : FALSE;
    for (int nID : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
        if (HWND hButton = GetDlgItem(nID))
            ::EnableWindow(hButton, bEnable);
}

void CSearchDlg::UpdateButtonsForPick(int nID) const {
    // Every entry of the history holds text, so a pick from the search box's list enables the
    // buttons; the box's own text changes only after this notification.
    if (nID == IDC_FIND_WHAT && ::SendMessageW(GetDlgItem(IDC_FIND_WHAT), CB_GETCURSEL, 0, 0) != CB_ERR)
        for (int nButton : {IDOK, IDC_REPLACE, IDC_REPLACE_ALL})
            if (HWND hButton = GetDlgItem(nButton))
                ::EnableWindow(hButton, TRUE);
}

void CSearchDlg::PostRequest(SearchAction action) {
    if (action == SR_CLOSE) {
        if (m_bCloseRequested)
            return;
        m_bCloseRequested = true;
    }
    if (m_pOwnerFrame && m_pOwnerFrame->m_hWnd)
        m_pOwnerFrame->PostMessage(WM_SEARCHREQUEST, static_cast<WPARAM>(action), reinterpret_cast<LPARAM>(this));
}

void CSearchDlg::OnOK() {
    // Enter presses the default button even where the dialog manager would skip a disabled one:
    // an empty search text never leaves the dialog.
    if (HasFindText())
        PostRequest(SR_FINDNEXT);
}

void CSearchDlg::OnCancel() {
    PostRequest(SR_CLOSE);
}

void CSearchDlg::OnClose() {
    PostRequest(SR_CLOSE);
}

BOOL CSearchDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int nID = LOWORD(wParam);
    const UINT nCode = HIWORD(wParam);
    // The search box is a drop-down combo box: every change of its text comes as EN_CHANGE
    // (CHistoryCombo), a pick from its list first as CBN_SELCHANGE; its list is filled afresh each
    // time it drops down.
    if (nID == IDC_FIND_WHAT && nCode == EN_CHANGE) {
        UpdateButtons();
        return TRUE;
    }
    if ((nID == IDC_FIND_WHAT || nID == IDC_REPLACE_WITH) && nCode == CBN_SELCHANGE) {
        UpdateButtonsForPick(nID);
        return TRUE;
    }
    if ((nID == IDC_FIND_WHAT || nID == IDC_REPLACE_WITH) && nCode == CBN_DROPDOWN) {
        RefreshHistory();
        return TRUE;
    }
    if ((nID == IDC_REPLACE || nID == IDC_REPLACE_ALL) && nCode == BN_CLICKED) {
        if (HasFindText())
            PostRequest(nID == IDC_REPLACE ? SR_REPLACE : SR_REPLACEALL);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CSearchDlg::OnHelpInfo(HELPINFO* pHelpInfo) {
    return ShowHelpPopup(m_hWnd, pHelpInfo, SearchHelpDialog::FindReplace) ? TRUE : FALSE;
}

LRESULT CSearchDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOWWINDOW && wParam) {
        LRESULT lResult = CDialog::WindowProc(message, wParam, lParam);
        // Typing replaces the old search text (in the edit box inside the combo box).
        if (HWND hEdit = EditBoxOf(m_wndFindWhat.m_hWnd)) {
            ::SendMessageW(hEdit, EM_SETSEL, 0, -1);
            ::SendMessageW(hEdit, EM_SCROLLCARET, 0, 0);
        }
        return lResult;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
