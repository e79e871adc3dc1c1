#pragma once
// Reads what another process's windows show: texts, classes, child controls, menu item states, an
// EDIT control's selection and a status bar's panes. Works on any window; messages whose
// parameters are pointers the system does not carry across processes go through remote memory.
#include <windows.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// The box a user types into: the control `id` of the dialog, or the edit box inside it when it is
// a drop-down combo box (the search boxes with their history). Its text is the combo box's text.
HWND TextBox(HWND dlg, int id);
// WM_GETTEXTLENGTH and WM_GETTEXT, which the system carries across processes (whole EDIT contents too).
std::wstring WindowText(HWND hwnd);
std::wstring WindowClass(HWND hwnd);
// Every descendant of `parent`, depth first, optionally only those of one class.
std::vector<HWND> Descendants(HWND parent, const wchar_t* className = nullptr);
// The first descendant (at any depth) with control id `ctlId` (any id when -1) and class `className`
// (any class when null). Finds the controls of a file dialog's child template under the dialog.
HWND FindDescendant(HWND parent, int ctlId, const wchar_t* className = nullptr);
// Sets the text of dialog item `id` of `dlg` with WM_SETTEXT.
bool SetItemText(HWND dlg, int id, const std::wstring& text);
// The CR LF-ended lines of a text such as an EDIT control's (the find-in-files pane's results);
// what follows the last CR LF is not a line yet.
std::vector<std::wstring> SplitLines(const std::wstring& text);

// The selection of an EDIT control as (start, end) in UTF-16 units; {-1, -1} on failure. Uses the
// pointer form of EM_GETSEL, which has no 64K limit.
std::pair<long, long> EditSelection(HWND edit);
// Text of pane `pane` of a status bar (SB_GETTEXTLENGTHW/SB_GETTEXTW through remote memory).
std::wstring StatusPaneText(HWND statusBar, int pane);
int StatusPaneCount(HWND statusBar);

// Menu items of a window's menu bar, found by command id at any depth. Under Wine 8 a menu lives
// in the process that made it: GetMenu returns the handle, but GetSubMenu, GetMenuItemCount and
// GetMenuState fail on it from another process. These return nullopt then; a test checks the state
// behind the check mark instead (the status bar's visibility, the EDIT control's style).
bool CanReadMenu(HWND hwnd);
std::optional<bool> IsMenuItemChecked(HWND hwnd, UINT cmdId);
std::optional<bool> IsMenuItemEnabled(HWND hwnd, UINT cmdId);

// The command id of item `item` of popup `popup` of the first menu resource in program file `exe`
// (loaded as data into this process, which works where the live menu cannot be read); 0 for a
// separator or submenu, nullopt when there is no such item.
std::optional<UINT> MenuResourceItemId(const std::wstring& exe, int popup, int item);

} // namespace e2e
