#pragma once
// The find-in-files command on the GUI thread: the dialog, then a run that keeps the window
// responsive by pumping waiting messages, fills the results pane in batches, and turns its own
// menu item into the stop command while it runs.
#include <string>

class CFrameWnd;
class CFindResultsBar;

// The command as the main frame runs it: shows the dialog and, when confirmed, searches, or, when a
// run is going on (bRunning true), only asks it to stop. bRunning is the frame's flag: true while
// a run goes on, cleared by a stop request. strWordChars: the search engine's word characters.
// Returns false when the pane (and so the frame) was destroyed during the run: the caller must then
// not touch the frame either.
bool FindInFiles(CFrameWnd& frame, CFindResultsBar& pane, bool& bRunning, const std::wstring& strWordChars);

// The text of menu item 32776: the stop command while a run goes on.
void SetFindInFilesMenuText(CFrameWnd& frame, bool bRunning);
