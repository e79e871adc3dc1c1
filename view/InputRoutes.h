#pragma once
// CInputRoutes: every way text reaches or leaves the view's text control — typing, Backspace,
// Delete, Enter, cut, clear, paste, the input method, and messages from elsewhere (EM_REPLACESEL,
// WM_SETTEXT, EM_SETHANDLE) — routed so the edit history records each change before the control
// makes it. The view hands its messages here first.
#include "view/EditHistory.h"
#include <windows.h>

class CEditView;

// The control's own window procedure, which only the view that subclassed it can call.
class IControlProc {
public:
    // The message to the control's own procedure.
    virtual LRESULT CallControl(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The message being handled, unchanged, to the control's own procedure.
    virtual LRESULT PassOn() = 0;

protected:
    ~IControlProc() = default;
};

// The selection widened so that it cuts no surrogate pair.
EditRange SelectionOfWholePairs(const CEditView& view);

class CInputRoutes {
public:
    CInputRoutes(CEditView& view, CEditHistory& history, IControlProc& control)
        : m_view(view), m_history(history), m_control(control) {}
    CInputRoutes(const CInputRoutes&) = delete;
    CInputRoutes& operator=(const CInputRoutes&) = delete;

    // The messages the routes take over; false for any other (the view handles it).
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    void OnChar(UINT nChar);
    void OnKeyDown(UINT nChar);
    // The view's own replacement of [nStart, nEnd), already recorded: not recorded again.
    void Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll);

private:
    void OnBackspace();
    void OnDeleteKey();
    void OnShiftDelete();
    void OnTypedChar(wchar_t ch);
    void OnEnter();
    void CutSelection();
    void ClearSelection();
    void PasteClipboard();
    LRESULT OnImeComposition(WPARAM wParam, LPARAM lParam);
    LRESULT OnImeChar(WPARAM wParam);
    LRESULT OnForeignReplaceSel(LPARAM lParam);
    LRESULT OnForeignSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetHandle(WPARAM wParam, LPARAM lParam);
    // Selects what was recorded, so the control removes exactly that.
    void SelectRecorded(const EditRange& range);
    bool IsDocumentModified() const;

    CEditView& m_view;
    CEditHistory& m_history;
    IControlProc& m_control;
    int m_nOwnEdits = 0; // > 0 while the view itself sends EM_REPLACESEL or WM_SETTEXT
};
