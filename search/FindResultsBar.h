#pragma once
// CFindResultsBar: the docking pane that lists find-in-files results in CFindResultsEdit, our own
// text control (view/TextControl.h), read-only: the user can read, select and copy but not change
// the list; a double click or Enter on a hit line opens that file at that line (JumpToResult).
#include "framework/SizingControlBar.h"
#include <memory>
#include <string_view>

class CFindResultsEdit : public CWnd {
public:
    // Opens the file that the caret's line names and puts the caret at the start of its line in
    // the main window's view; a line that is not a hit does nothing.
    void JumpToResult();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CFindResultsBar : public CSizingControlBarG {
public:
    CFindResultsBar();

    // Empties the text.
    void ClearResults();
    // Appends text (whole lines with their CR LF) at the end, in one replacement. The list follows
    // its end only while the caret is there.
    void AppendResultLine(std::wstring_view text);

    CFindResultsEdit& GetEdit() { return m_wndEdit; }
    // False from the moment the pane's window is destroyed: a run that pumps messages holds a copy
    // and stops touching the pane, and the frame that owns it, once it reads false.
    std::shared_ptr<const bool> GetLifeToken() const { return m_pAlive; }

protected:
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnDestroy() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CFindResultsEdit m_wndEdit;
    std::shared_ptr<bool> m_pAlive;
};
