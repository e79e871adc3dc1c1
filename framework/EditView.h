#pragma once
// CEditView: a view that IS the platform's multi-line EDIT control. It names every control
// operation the program uses, guards the text buffer lock and buffer swap, and handles the
// standard Cut, Copy, Paste, Delete and Select All commands with their enabling rules.
#include "framework/GdiHandles.h"
#include "framework/Handles.h"
#include "framework/View.h"
#include <map>
#include <string>
#include <vector>

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

    // Printing: the first character of each page found so far (page 1 starts at 0).
    const std::vector<int>& GetPageStarts() const { return m_aPageStart; }

protected:
    // The page table starts with page 1 at 0; the printer font is the screen font scaled from the
    // screen's pixels per inch to the printer's (none when the control shows the system font).
    void OnBeginPrinting(HDC hDC, CPrintInfo* pInfo) override;
    // Lays out the pages up to the current one that are not known yet, each through OnPrint with
    // nothing drawn; a page past the end of the text ends the run.
    void OnPrepareDC(HDC hDC, CPrintInfo* pInfo) override;
    void OnPrint(HDC hDC, CPrintInfo* pInfo) override;
    void OnEndPrinting(HDC hDC, CPrintInfo* pInfo) override;
    // Puts the text from nStart into the rectangle, a row at a time while a whole row still fits
    // (at least one); with word wrap rows break at word boundaries, otherwise a line longer than
    // the rectangle goes on in the next row. Tabs follow the tab stops. Returns where the next page
    // starts and records it in the page table; nothing is drawn while the run paginates.
    int PrintInsideRect(HDC hDC, CPrintInfo* pInfo, const RECT& rect, int nStart);
    HFONT GetPrinterFont() const { return m_hPrinterFont.Get(); }

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
    int PrinterClusterWidth(HDC hDC, const wchar_t* p, int n);

    int m_nTabStops = 32;
    std::vector<int> m_aPageStart;
    CFontHandle m_hPrinterFont;
    std::vector<int> m_aCharWidth;              // printer widths of single units, -1 until measured
    std::map<std::wstring, int> m_clusterWidth; // and of longer clusters
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
