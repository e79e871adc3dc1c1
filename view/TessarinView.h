#pragma once
// CTessarinView: the editor's only view, an edit view whose every text change is recorded in its
// edit history before the control makes it. It keeps the screen font and print settings between
// runs, re-creates its control for word wrap, serves the editing commands (Undo, Redo, Clear
// history, Go to line, date and time, Font), drags text out and takes dropped text, and watches
// the document's file for changes by other programs.
#include "document/DocumentView.h"
#include "view/Settings.h"
#include "framework/ComPtr.h"
#include "framework/GdiHandles.h"
#include "view/DropTarget.h"
#include "view/EditHistory.h"
#include <string>

class CTessarinView : public CDocumentView, private IEditTarget, public IDropTargetClient {
public:
    CTessarinView() = default;
    ~CTessarinView() override;

    // Word wrap is on exactly when the control lacks ES_AUTOHSCROLL.
    bool IsWordWrap() const;
    // Re-creates the control with the other wrap setting, keeping text, selection, top line and
    // the modified mark; the edit history is cleared.
    void ToggleWordWrap();
    // Puts the caret at column nColumn (1-based, in UTF-16 units) of line nLine (1-based). Both are
    // kept within the text: the caret lands on the line, before its line break, never inside a
    // surrogate pair (a column on its second half goes before the pair).
    void GoToLineColumn(int nLine, int nColumn);
    // The time without seconds, a blank and the short date, in place of the selection; the log form
    // has a line break before and after.
    void InsertDateTime(bool bLogForm) override;
    static std::wstring FormatDateTime(const SYSTEMTIME& st, bool bLogForm);

    // Watch of the document's file: a 2-second timer that compares the file's last-write time.
    void StartFileWatch(const std::wstring& strPath) override;
    void StopFileWatch() override;
    bool IsWatching() const { return m_nWatchTimer != 0; }

    // The font, margins, header and footer (and, at the end, word wrap) that persist between runs.
    const ViewSettings& GetViewSettings() const { return m_settings; }
    ViewSettings& GetViewSettings() { return m_settings; }
    // Sets a new screen font from a description and point size; false leaves everything as it was.
    bool SetScreenFont(const LOGFONTW& lf, int nPointSize);

    // IDropTargetClient: text offered as CF_UNICODETEXT replaces the selection (not the drop point).
    DWORD OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) override;
    DWORD OnDragOver(IDataObject* pDataObject, DWORD dwKeyState, POINT point) override;
    bool OnDrop(IDataObject* pDataObject, DWORD dropEffect, POINT point) override;
    // The rectangle in which a click starts dragging the selection [nStart, nEnd) out.
    RECT SelectionHitRect(int nStart, int nEnd) const;

    // Entry points for the rest of the program (drops, date insertion, replacements, file open).
    EditRange RecordDeletion(int nStart, int nEnd, const wchar_t* pText = nullptr) {
        return m_history.RecordDeletion(nStart, nEnd, pText);
    }
    EditRange RecordInsertion(const wchar_t* pszText, int nStart = -1, int nEnd = -1, bool bApply = true) {
        return m_history.RecordInsertion(pszText, nStart, nEnd, bApply);
    }
    void UndoEdit() { m_history.UndoEdit(); }
    void RedoEdit() { m_history.RedoEdit(); }
    void ClearHistory(bool bModified) override { m_history.ClearHistory(bModified); }
    // The document's text was just written: undo and redo that come back to it clear the mark.
    void SetSavePoint() override { m_history.SetSavePoint(); }
    const CEditHistory& GetHistory() const { return m_history; }

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

protected:
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu) override;
    void OnLButtonDown(UINT nFlags, POINT point) override;
    void OnTimer(UINT_PTR nIDEvent) override;

private:
    // Set-up and end: the stored font and settings.
    void ApplyStoredFont();
    void StoreSettings();
    void RegisterDropTarget();
    // Commands.
    void OnEditGotoLine();
    void OnFormatFont();
    void OnFileChanged();
    // The word-wrap swap: a new control in the old one's place.
    HWND CreateReplacementControl(bool bWrap) const;
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
    // The selection widened so that it cuts no surrogate pair.
    EditRange SelectionOfWholePairs() const;
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
    ViewSettings m_settings = DefaultViewSettings();
    CFontHandle m_hFont; // the screen font given to the control; none while it has its default font
    CComPtr<CDropTarget> m_pDropTarget;
    bool m_bDropAllowed = false; // the data being dragged over offers CF_UNICODETEXT
    bool m_bDraggingOut = false; // the view's own selection is being dragged
    // File watch.
    UINT_PTR m_nWatchTimer = 0;
    WIN32_FILE_ATTRIBUTE_DATA m_fileData{};
    std::wstring m_strWatchPath;
    bool m_bPromptOpen = false;   // the reload question is on screen
    int m_nOwnEdits = 0;          // > 0 while the view itself sends EM_REPLACESEL or WM_SETTEXT
    size_t m_nImeCharsToSkip = 0; // WM_IME_CHARs still to come for a result string already inserted
};
