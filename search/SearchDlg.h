#pragma once
// CSearchDlg: the modeless Find (template 134) and Replace (template 135) dialogs. They do not
// search themselves: every button posts WM_SEARCHREQUEST with its action and the dialog to the
// owner frame, which reads the controls through GetSearchRequest and hands them to the engine.
// Even closing is a request: the frame destroys the dialog after the options are copied.
#include "framework/Button.h"
#include "framework/Dialog.h"
#include "search/SearchEngine.h"
#include "search/SearchHistory.h"
#include <string>

// Where a window of rcWindow's size stands clear of rcAvoid inside the work area rcWork: unchanged
// when it does not cover rcAvoid; otherwise just below rcAvoid, or just above it when there is no
// room below, or else on whichever side has more room. Always kept inside rcWork.
RECT PlaceClearOf(const RECT& rcWindow, const RECT& rcAvoid, const RECT& rcWork);

class CSearchDlg : public CDialog {
public:
    // nIDTemplate is IDD_FIND or IDD_REPLACE; pOwnerFrame receives the requests.
    CSearchDlg(UINT nIDTemplate, CWnd* pOwnerFrame);

    // Creates the dialog modeless and hidden; the caller fills in the texts and shows it.
    bool Create();
    bool IsReplaceDialog() const;

    void SetFindText(const std::wstring& strText) const;
    void SetReplaceText(const std::wstring& strText) const;
    // The wrap-around box starts as the last search left it.
    void SetWrapAround(bool bWrapAround) const;
    // "Replace in selection" can be chosen only while the text has a selection; the frame says so
    // whenever it is idle. The box keeps its check while disabled and then counts as clear.
    void SetSelectionExists(bool bSelection) const;
    // The drop-down lists take the history as it is now.
    void RefreshHistory() const;
    // The controls as the engine takes them: the Find dialog searches in the direction of its radio
    // buttons and never Notepad-like; the Replace dialog always searches down and brings its
    // replacement text and its Notepad-like box.
    SearchRequest GetSearchRequest();

    // After a find selected text in the edit control hEdit: moves the dialog off the selection, on
    // the monitor that shows the selection, so the user sees what was found.
    void MoveClearOfSelection(HWND hEdit) const;

    // While a modal state of the owner lasts, the dialog takes no input either.
    void BeginModalState() const { ::EnableWindow(m_hWnd, FALSE); }
    void EndModalState() const { ::EnableWindow(m_hWnd, TRUE); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;     // button 1 and Enter: find next
    void OnCancel() override; // button 2 and Escape: the close request
    void OnClose() override;  // the caption's close box: the close request
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SubclassControls();
    // Buttons IDOK, IDC_REPLACE and IDC_REPLACE_ALL can be pressed only while there is a text to search for.
    void UpdateButtons() const;
    // After a pick from a drop-down list: the box's text is set only once the notification is over.
    void UpdateButtonsForPick(int nID) const;
    bool HasFindText() const;
    void PostRequest(SearchAction action);

    CWnd* m_pOwnerFrame;
    CHistoryCombo m_wndFindWhat;
    CHistoryCombo m_wndReplaceWith;
    CButton m_btnWholeWord;
    CButton m_btnMatchCase;
    CButton m_btnNotepadLike;
    CButton m_btnRegex;
    CButton m_btnSearchUp;
    CButton m_btnSearchDown;
    CButton m_btnReplace;
    CButton m_btnWrapAround;
    CButton m_btnInSelection;

    // Every dialog starts from these; nothing changes them, so both boxes start clear each time.
    std::wstring m_strInitialFind;
    bool m_bInitialWholeWord = false;
    bool m_bInitialMatchCase = false;
    bool m_bInitialRegex = false;

    // The texts of IDC_FIND_WHAT and IDC_REPLACE_WITH as last read for a request.
    std::wstring m_strFind;
    std::wstring m_strReplace;

    // A close request is posted once: Escape and the close box may both come before the frame
    // has handled the first one and destroyed the dialog.
    bool m_bCloseRequested = false;
};
