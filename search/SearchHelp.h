#pragma once
// Context help shared by the search dialogs (Find, Replace and find in files): which string-table
// text each control gets, and the pop-up that shows it next to the control.
#include <windows.h>

// Which dialog asks: the Find and Replace dialogs share one table; the find-in-files dialog has
// rows of its own for its folder and file-type controls and none for direction or replacement.
enum class SearchHelpDialog { FindReplace, FindInFiles };

// The help text of control nCtrlId in that dialog; "no topic" for controls without one.
UINT SearchHelpStringFor(int nCtrlId, SearchHelpDialog dialog);

// Answers WM_HELP of a search dialog: shows the pop-up for the control the record names, at its
// left edge halfway down. True when the request was about a control (and so was handled).
bool ShowHelpPopup(HWND hDlg, const HELPINFO* pHelpInfo, SearchHelpDialog dialog);
