#pragma once
// CTessarinView: the editor's only view, an edit view whose every text change is recorded in its
// edit history before the control makes it; it serves Undo, Redo and Clear history.
#include "framework/EditView.h"
#include "view/EditHistory.h"
#include <string>

class CTessarinView : public CEditView, private IEditTarget {
public:
    CTessarinView() = default;

    // Entry points for the rest of the program (drops, date insertion, replacements, file open).
    EditRange RecordDeletion(int nStart, int nEnd, const wchar_t* pText = nullptr) {
        return m_history.RecordDeletion(nStart, nEnd, pText);
    }
    EditRange RecordInsertion(const wchar_t* pszText, int nStart = -1, int nEnd = -1, bool bApply = true) {
        return m_history.RecordInsertion(pszText, nStart, nEnd, bApply);
    }
    void UndoEdit() { m_history.UndoEdit(); }
    void RedoEdit() { m_history.RedoEdit(); }
    void ClearHistory(bool bModified) { m_history.ClearHistory(bModified); }
    const CEditHistory& GetHistory() const { return m_history; }

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu) override;

private:
    // Input routes: each records first, then the control (or the view itself) changes the text.
    void OnBackspace();
    void OnDeleteKey();
    void OnShiftDelete();
    void OnTypedChar(wchar_t ch);
    void OnEnter();
    void CutSelection();
    void ClearSelection();
    void PasteClipboard();
    LRESULT OnImeComposition(WPARAM wParam, LPARAM lParam);
    LRESULT OnImeChar(WPARAM wParam, LPARAM lParam);
    void OnImeStartComposition();
    LRESULT OnForeignReplaceSel(WPARAM wParam, LPARAM lParam);
    LRESULT OnForeignSetText(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetHandle(WPARAM wParam, LPARAM lParam);
    void OnEnterIdle(WPARAM wParam, LPARAM lParam);
    bool SyncContextMenuUndo(HMENU hMenu);
    // Selects what was recorded, so the control removes exactly that.
    void SelectRecorded(const EditRange& range);
    bool IsDocumentModified() const;

    // IEditTarget: the control seen by the history.
    const wchar_t* LockText() override { return LockBuffer(); }
    void UnlockText() override { UnlockBuffer(); }
    int TextLength() override { return GetWindowTextLength(); }
    void GetSelection(int& nStart, int& nEnd) override { GetSel(nStart, nEnd); }
    void SetSelection(int nStart, int nEnd) override { SetSel(nStart, nEnd, false); }
    void Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll) override;
    void MarkUnmodified() override;

    CEditHistory m_history{*this};
    int m_nOwnEdits = 0;       // > 0 while the view itself sends EM_REPLACESEL or WM_SETTEXT
    size_t m_nImeCharsToSkip = 0; // WM_IME_CHARs still to come for a result string already inserted
};
