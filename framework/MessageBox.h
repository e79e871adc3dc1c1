#pragma once
// The framework's message boxes: the application's title as caption, the main window as owner,
// and a default icon by button set.
#include <windows.h>
#include <string>

// Shows strText. nIDHelp is the help context of the box (0: none). Returns the button pressed
// (IDOK, IDYES, ...), or 0 when the box could not be shown.
int AfxMessageBox(const std::wstring& strText, UINT nType = MB_OK, UINT nIDHelp = 0);

// Shows string nIDPrompt; its help context is nIDHelp, or nIDPrompt itself when nIDHelp is -1.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));
