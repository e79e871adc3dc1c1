#pragma once
// The find-in-files command on the GUI thread: the dialog, then a run that keeps the window
// responsive by pumping waiting messages, appends to the results pane ten times a second, and
// turns its own menu item into the stop command while it runs.
#include <string>

class CFrameWnd;
class CFindResultsBar;

// Whether find in files is running, and whether the run was asked to stop: the one record of it,
// owned by the main frame. A run goes on from the command (its dialog included) until its end
// line; while it pumps messages the same command or a close of the window may ask it to stop, and
// it then ends as cancelled after its current file.
class CFindInFilesRunState {
public:
    bool IsRunning() const { return m_bRunning; }
    bool IsStopRequested() const { return m_bStopRequested; }
    // Asks a run that is going on to stop; the menu item reads "find in files" again at once.
    void RequestStop(CFrameWnd& frame);
    void Start() {
        m_bRunning = true;
        m_bStopRequested = false;
    }
    void End() {
        m_bRunning = false;
        m_bStopRequested = false;
    }

private:
    bool m_bRunning = false;
    bool m_bStopRequested = false;
};

// The command as the main frame runs it when no run is going on: shows the dialog and, when
// confirmed, searches, with `state` running throughout. strWordChars: the search engine's word
// characters. Returns false when the pane (and so the frame, which owns `state`) was destroyed
// during the run: the caller must then not touch the frame either.
bool FindInFiles(CFrameWnd& frame, CFindResultsBar& pane, CFindInFilesRunState& state,
                 const std::wstring& strWordChars);

// The text of menu item ID_EDIT_FIND_IN_FILES: the stop command while a run goes on.
void SetFindInFilesMenuText(CFrameWnd& frame, bool bRunning);
