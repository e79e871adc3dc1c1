// CEditView: the named control operations, the buffer lock and swap, and the standard edit commands.
#include "framework/EditView.h"
#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/FrameworkIds.h"

bool CEditView::Create(HWND hParent, UINT nID, const RECT& rect, DWORD dwStyle, DWORD dwExStyle) {
    return CreateEx(dwExStyle, L"EDIT", L"", dwStyle, rect, hParent, nID);
}

int CEditView::OnCreate(CREATESTRUCTW* pCreate) {
    if (CView::OnCreate(pCreate) == -1)
        return -1;
    ApplyTabStops();
    return 0;
}

void CEditView::GetSel(int& nStart, int& nEnd) const {
    DWORD dwStart = 0, dwEnd = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    nStart = static_cast<int>(dwStart);
    nEnd = static_cast<int>(dwEnd);
}

void CEditView::SetSel(int nStart, int nEnd, bool bScroll) const {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStart), static_cast<LPARAM>(nEnd));
    if (bScroll)
        SendMessage(EM_SCROLLCARET);
}

void CEditView::ReplaceSel(const wchar_t* pszText) const {
    SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(pszText));
}

int CEditView::LineFromChar(int nOffset) const {
    return static_cast<int>(SendMessage(EM_LINEFROMCHAR, nOffset));
}
int CEditView::LineIndex(int nLine) const {
    return static_cast<int>(SendMessage(EM_LINEINDEX, nLine));
}
int CEditView::GetFirstVisibleLine() const {
    return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE));
}
void CEditView::LineScroll(int nLines) const {
    SendMessage(EM_LINESCROLL, 0, nLines);
}

POINT CEditView::PosFromChar(int nOffset) const {
    auto lResult = static_cast<DWORD>(SendMessage(EM_POSFROMCHAR, static_cast<WPARAM>(nOffset)));
    return POINT{static_cast<short>(LOWORD(lResult)), static_cast<short>(HIWORD(lResult))};
}

void CEditView::RaiseTextLimit() const {
    SendMessage(EM_LIMITTEXT, 0x7FFFFFFF);
}

void CEditView::SetTabStops(int nTabStops) {
    m_nTabStops = nTabStops;
    if (m_hWnd)
        ApplyTabStops();
}

void CEditView::ApplyTabStops() const {
    int nStops = m_nTabStops;
    SendMessage(EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&nStops));
}

const wchar_t* CEditView::LockBuffer() const {
    auto hText = reinterpret_cast<HLOCAL>(SendMessage(EM_GETHANDLE));
    return hText ? static_cast<const wchar_t*>(::LocalLock(hText)) : nullptr;
}

void CEditView::UnlockBuffer() const {
    if (auto hText = reinterpret_cast<HLOCAL>(SendMessage(EM_GETHANDLE)))
        ::LocalUnlock(hText);
}

bool CEditView::SetHandle(CLocalBlock&& hText) {
    if (!hText)
        return false;
    // The control does not free the buffer it lets go of: the old block is ours to free, but
    // only once the control no longer refers to it.
    CLocalBlock hOld(reinterpret_cast<HLOCAL>(SendMessage(EM_GETHANDLE)));
    SendMessage(EM_SETHANDLE, reinterpret_cast<WPARAM>(hText.Detach()));
    return true;
}

bool CEditView::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        OnEditChange(); // the parent still gets the notification
    return CView::OnChildNotify(message, wParam, lParam, pResult);
}

void CEditView::OnEditChange() {
    if (CDocument* pDoc = GetDocument())
        pDoc->SetModifiedFlag(true);
}

void CEditView::OnUpdateNeedSel(CCmdUI* pCmdUI) const {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    pCmdUI->Enable(nStart != nEnd);
}

void CEditView::OnUpdateNeedText(CCmdUI* pCmdUI) const {
    pCmdUI->Enable(GetWindowTextLength() != 0);
}

void CEditView::OnUpdateNeedClip(CCmdUI* pCmdUI) const {
    pCmdUI->Enable(::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE);
}

void CEditView::OnUpdateEditUndo(CCmdUI* pCmdUI) const {
    pCmdUI->Enable(SendMessage(EM_CANUNDO) != FALSE);
}

bool CEditView::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    auto needSel = [this](CCmdUI* p) { OnUpdateNeedSel(p); };
    auto needText = [this](CCmdUI* p) { OnUpdateNeedText(p); };
    switch (nID) {
    case ID_EDIT_CUT:
        return Handle(
            nCode, pExtra, [this] { OnEditCut(); }, needSel);
    case ID_EDIT_COPY:
        return Handle(
            nCode, pExtra, [this] { OnEditCopy(); }, needSel);
    case ID_EDIT_CLEAR:
        return Handle(
            nCode, pExtra, [this] { OnEditClear(); }, needSel);
    case ID_EDIT_PASTE:
        return Handle(
            nCode, pExtra, [this] { OnEditPaste(); }, [this](CCmdUI* p) { OnUpdateNeedClip(p); });
    case ID_EDIT_SELECT_ALL:
        return Handle(
            nCode, pExtra, [this] { OnEditSelectAll(); }, needText);
    case ID_EDIT_UNDO:
        return Handle(
            nCode, pExtra, [this] { OnEditUndo(); }, [this](CCmdUI* p) { OnUpdateEditUndo(p); });
    // Find, Replace and Find Next are run further along the route; the view only says when they
    // make sense: there must be text to search.
    case ID_EDIT_FIND:
    case ID_EDIT_REPLACE:
    case ID_EDIT_REPEAT: return HandleUpdate(nCode, pExtra, needText);
    default: return CView::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
