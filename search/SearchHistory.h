#pragma once
// The search and replacement texts used last, most recent first, for the drop-down lists of the
// Find, Replace and find-in-files dialogs: one history for the process, read from the settings
// when the main window is created and stored when it is destroyed.
#include "framework/Wnd.h"
#include <windows.h>
#include <string>
#include <string_view>
#include <vector>

struct SearchHistory {
    static constexpr size_t kMaxEntries = 20;
    std::vector<std::wstring> finds;
    std::vector<std::wstring> replaces;
};

// The process's history.
SearchHistory& TheSearchHistory();

// Puts `entry` first in `list`: an equal entry further down moves up rather than coming twice, and
// the oldest beyond kMaxEntries drop off. An empty entry is not kept.
void AddToHistory(std::vector<std::wstring>& list, std::wstring_view entry);

// Reads the history from the settings, and stores it (see view/Settings.h).
void LoadSearchHistory();
void StoreSearchHistory();

// Fills a drop-down combo box with `list`, keeping the text and the selection of its edit box.
void FillHistoryCombo(HWND hCombo, const std::vector<std::wstring>& list);

// The edit box inside a drop-down combo box, or the control itself when it is an edit box.
HWND EditBoxOf(HWND hCtl);

// A search box that is a drop-down combo box, subclassed so that its dialog hears of every change
// of its text as an edit box's EN_CHANGE: the combo box reports typing as CBN_EDITCHANGE but says
// nothing when its text is set (WM_SETTEXT, SetDlgItemText), and the buttons must follow both.
class CHistoryCombo : public CWnd {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
