#pragma once
// CTessarinView: the editor's only view, an edit view whose every text change is recorded in its
// edit history before the control makes it. It composes the jobs around the control — the input
// routes (InputRoutes.h), word wrap (WordWrapSwitch.h), drag and drop (ViewDragDrop.h) and the
// watch on the document's file (FileWatch.h) — and itself keeps the screen font and print
// settings between runs and serves the editing commands (Undo, Redo, Clear history, Go to line,
// date and time, Font).
#include "document/DocumentView.h"
#include "view/EditHistory.h"
#include "view/FileWatch.h"
#include "view/InputRoutes.h"
#include "view/Settings.h"
#include "view/ViewDragDrop.h"
#include "view/WordWrapSwitch.h"
#include "framework/GdiHandles.h"
#include <string>
#include <string_view>

// True when the user's measurement system is metric (LOCALE_IMEASURE reads "0").
bool IsMetricLocale();

class CTessarinView : public CDocumentView, private IEditTarget, private IControlProc {
public:
    CTessarinView() = default;
    ~CTessarinView() override = default;

    // Word wrap is on exactly when the control lacks ES_AUTOHSCROLL.
    bool IsWordWrap() const { return m_wrap.IsWordWrap(); }
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
    void StartFileWatch(const std::wstring& strPath) override { m_watch.Start(m_hWnd, strPath); }
    void StopFileWatch() override { m_watch.Stop(); }
    bool IsWatching() const { return m_watch.IsWatching(); }

    // The font, margins, header and footer (and, at the end, word wrap) that persist between runs.
    const ViewSettings& GetViewSettings() const { return m_settings; }
    ViewSettings& GetViewSettings() { return m_settings; }
    // Sets a new screen font from a description (at the system DPI, as the font dialog gives it)
    // and point size; false leaves everything as it was.
    bool SetScreenFont(const LOGFONTW& lf, int nPointSize);
    // The window moved to a monitor of another DPI: the font keeps its size in points.
    void OnDpiChanged();

    // Drag and drop: text offered as CF_UNICODETEXT replaces the selection (not the drop point).
    DWORD OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) {
        return m_dragDrop.OnDragEnter(pDataObject, dwKeyState, point);
    }
    DWORD OnDragOver(IDataObject* pDataObject, DWORD dwKeyState, POINT point) {
        return m_dragDrop.OnDragOver(pDataObject, dwKeyState, point);
    }
    bool OnDrop(IDataObject* pDataObject, DWORD dropEffect, POINT point) {
        return m_dragDrop.OnDrop(pDataObject, dropEffect, point);
    }
    // The rectangle in which a click starts dragging the selection [nStart, nEnd) out.
    RECT SelectionHitRect(int nStart, int nEnd) const { return m_dragDrop.SelectionHitRect(nStart, nEnd); }

    // Entry points for the rest of the program (drops, date insertion, replacements, file open).
    EditRange RecordDeletion(int nStart, int nEnd) { return m_history.RecordDeletion(nStart, nEnd); }
    EditRange RecordInsertion(const wchar_t* pszText, int nStart = -1, int nEnd = -1, bool bApply = true) {
        return m_history.RecordInsertion(pszText, nStart, nEnd, bApply);
    }
    // [nStart, nEnd) (clamped) where the control keeps it, valid until the next change: the
    // control brings only that stretch together, where EM_GETHANDLE moves everything after its
    // gap. False when the control cannot (the caller then locks the whole text).
    bool PeekText(int nStart, int nEnd, std::wstring_view& text);
    void UndoEdit() { m_history.UndoEdit(); }
    void RedoEdit() { m_history.RedoEdit(); }
    void ClearHistory(bool bModified) override { m_history.ClearHistory(bModified); }
    // The document's text was just written: undo and redo that come back to it clear the mark.
    void SetSavePoint() override { m_history.SetSavePoint(); }
    const CEditHistory& GetHistory() const { return m_history; }

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    // Page margins are in hundredths of a millimetre when the user's measurement system is metric,
    // else in thousandths of an inch; read once, when the view is made.
    bool IsMetric() const { return m_bMetric; }
    // The page setup dialog: margins, header and footer; OK keeps them and the printer chosen.
    void OnFilePageSetup();

    // The print steps.
    bool OnPreparePrinting(CPrintInfo* pInfo) override;
    void OnBeginPrinting(HDC hDC, CPrintInfo* pInfo) override;
    void OnPrint(HDC hDC, CPrintInfo* pInfo) override;

protected:
    bool PreCreateWindow(CREATESTRUCTW& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    void OnChar(UINT nChar, UINT, UINT) override { m_routes.OnChar(nChar); }
    void OnKeyDown(UINT nChar, UINT, UINT) override { m_routes.OnKeyDown(nChar); }
    void OnLButtonDown(UINT, POINT point) override { m_dragDrop.OnLButtonDown(point); }
    void OnTimer(UINT_PTR nIDEvent) override;

private:
    // Draws the header (bFooter false) or footer line at the top or bottom of rect and takes its
    // height off the rectangle when it prints anything; nPrintable is the page's printable width.
    void PrintHeaderLine(const std::wstring& strPattern, bool bFooter, int nPrintable, HDC hDC, CPrintInfo* pInfo,
                         RECT& rect);
    // Set-up and end: the stored font and settings.
    void ApplyStoredFont();
    // The settings' font at the window's DPI, given to the control; false leaves the font as it was.
    bool MakeSettingsFont();
    void StoreSettings();
    // Commands.
    void OnEditGotoLine();
    void OnFormatFont();
    bool IsDocumentModified() const;

    // IEditTarget: the control seen by the history.
    const wchar_t* LockText() override { return LockBuffer(); }
    void UnlockText() override { UnlockBuffer(); }
    int TextLength() override { return GetWindowTextLength(); }
    // A range and the character edges come from the control without bringing its whole text
    // together (which moves its gap: tens of milliseconds at 100 MB).
    std::wstring ReadText(int nStart, int nEnd) override;
    EditRange WholeCharacters(int nStart, int nEnd) override;
    void GetSelection(int& nStart, int& nEnd) override { GetSel(nStart, nEnd); }
    void SetSelection(int nStart, int nEnd) override { SetSel(nStart, nEnd, false); }
    void Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll) override {
        m_routes.Replace(nStart, nEnd, pszText, bScroll);
    }
    void MarkUnmodified() override;

    // IControlProc: the EDIT control's own procedure, for the routes and drag and drop.
    LRESULT CallControl(UINT message, WPARAM wParam, LPARAM lParam) override {
        return DefWindowProc(message, wParam, lParam);
    }
    LRESULT PassOn() override { return Default(); }

    CEditHistory m_history{*this};
    CInputRoutes m_routes{*this, m_history, *this};
    CViewDragDrop m_dragDrop{*this, m_history, *this};
    CWordWrapSwitch m_wrap{*this};
    CFileWatch m_watch;
    ViewSettings m_settings = DefaultViewSettings();
    bool m_bMetric = IsMetricLocale();
    CFontHandle m_hFont; // the screen font given to the control; none while it has its default font
    UINT m_nFontDpi = 0;        // the DPI m_hFont is made for
    bool m_bDefaultFont = true; // no font was stored or chosen: the control's own (at 96 DPI)
};
