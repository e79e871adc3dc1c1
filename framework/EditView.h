#pragma once
// CEditView: a view that IS the platform's multi-line EDIT control. It names every control
// operation the program uses, guards the text buffer lock and buffer swap, and handles the
// standard Cut, Copy, Paste, Delete and Select All commands with their enabling rules.
#include "framework/Handles.h"
#include "framework/View.h"
#include <string>

class CCmdUI;

class CEditView : public CView {
public:
    static constexpr DWORD dwStyleDefault =
        WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_NOHIDESEL | ES_AUTOHSCROLL | ES_AUTOVSCROLL;

    CEditView() = default;

    // Creates the control (class "EDIT") as a child of hParent; PreCreateWindow may alter the style.
    bool Create(HWND hParent, UINT nID, const RECT& rect, DWORD dwStyle = dwStyleDefault,
                DWORD dwExStyle = WS_EX_CLIENTEDGE);

    // The frame creates its view through this: the control with the default style.
    bool CreateView(HWND hParent, UINT nID, const RECT& rect) override { return Create(hParent, nID, rect); }

    // Selection: start <= end; equal when nothing is selected.
    void GetSel(int& nStart, int& nEnd) const;
    // Selects [nStart, nEnd) (nEnd -1: to the end) and brings the caret into view.
    void SetSel(int nStart, int nEnd, bool bScroll = true) const;
    // Replaces the selection, caret after the new text; the control's own undo is never armed.
    void ReplaceSel(const wchar_t* pszText) const;
    int GetTextLength() const { return GetWindowTextLength(); }
    std::wstring GetText() const { return GetWindowText(); }

    int LineFromChar(int nOffset = -1) const;
    int LineIndex(int nLine = -1) const;
    int GetFirstVisibleLine() const;
    void LineScroll(int nLines) const;
    POINT PosFromChar(int nOffset) const; // signed 16-bit halves, as the control answers
    void RaiseTextLimit() const;          // to the largest the control takes

    // Tab width in dialog-box units (default 32, eight average characters); kept across re-creation.
    void SetTabStops(int nTabStops);

    // Read-only view of the whole NUL-terminated text. No edit may run while it is locked.
    const wchar_t* LockBuffer() const;
    void UnlockBuffer() const;
    // The control adopts a movable local block holding NUL-terminated UTF-16 text as its whole text;
    // its old buffer is freed.
    bool SetHandle(CLocalBlock&& hText);

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

protected:
    int OnCreate(CREATESTRUCTW* pCreate) override;
    bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // The control's text changed (EN_CHANGE): the document is modified.
    virtual void OnEditChange();

    void OnEditCut() { SendMessage(WM_CUT); }
    void OnEditCopy() { SendMessage(WM_COPY); }
    void OnEditPaste() { SendMessage(WM_PASTE); }
    void OnEditClear() { SendMessage(WM_CLEAR); }
    void OnEditSelectAll() { SetSel(0, -1, false); }
    void OnEditUndo() { SendMessage(WM_UNDO); }
    void OnUpdateNeedSel(CCmdUI* pCmdUI) const;
    void OnUpdateNeedText(CCmdUI* pCmdUI) const;
    void OnUpdateNeedClip(CCmdUI* pCmdUI) const;
    void OnUpdateEditUndo(CCmdUI* pCmdUI) const;

    void ApplyTabStops() const;

private:
    int m_nTabStops = 32;
};

// Holds the control's text buffer locked (EM_GETHANDLE + LocalLock) for a scope.
class CEditBufferLock {
public:
    explicit CEditBufferLock(const CEditView& view) : m_view(view), m_pText(view.LockBuffer()) {}
    CEditBufferLock(const CEditBufferLock&) = delete;
    CEditBufferLock& operator=(const CEditBufferLock&) = delete;
    ~CEditBufferLock() {
        if (m_pText)
            m_view.UnlockBuffer();
    }
    const wchar_t* Get() const { return m_pText; }

private:
    const CEditView& m_view;
    const wchar_t* m_pText;
};
