// The search history: the one list per box, its order and limit, its place in the settings, and
// the drop-down lists that show it.
#include "search/SearchHistory.h"
#include "view/Settings.h"
#include <algorithm>
#include <cwchar>

SearchHistory& TheSearchHistory() {
    static SearchHistory s_history;
    return s_history;
}

void AddToHistory(std::vector<std::wstring>& list, std::wstring_view entry) {
    if (entry.empty())
        return;
    // Exact comparison: "abc" and "ABC" are different searches when case matters.
    std::erase(list, entry);
    list.insert(list.begin(), std::wstring(entry));
    if (list.size() > SearchHistory::kMaxEntries)
        list.resize(SearchHistory::kMaxEntries);
}

void LoadSearchHistory() {
    SearchHistorySettings settings;
    ReadSearchHistorySettings(settings, SearchHistory::kMaxEntries);
    SearchHistory& history = TheSearchHistory();
    history.finds = std::move(settings.m_finds);
    history.replaces = std::move(settings.m_replaces);
}

void StoreSearchHistory() {
    const SearchHistory& history = TheSearchHistory();
    SearchHistorySettings settings;
    settings.m_finds = history.finds;
    settings.m_replaces = history.replaces;
    WriteSearchHistorySettings(settings);
}

HWND EditBoxOf(HWND hCtl) {
    if (!hCtl)
        return nullptr;
    wchar_t szClass[16] = {};
    ::GetClassNameW(hCtl, szClass, static_cast<int>(std::size(szClass)));
    if (::_wcsicmp(szClass, L"ComboBox") != 0)
        return hCtl;
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (::GetComboBoxInfo(hCtl, &info) && info.hwndItem)
        return info.hwndItem;
    return ::GetWindow(hCtl, GW_CHILD);
}

void FillHistoryCombo(HWND hCombo, const std::vector<std::wstring>& list) {
    if (!hCombo)
        return;
    // CB_RESETCONTENT empties the edit box too: its text and selection are put back.
    HWND hEdit = EditBoxOf(hCombo);
    const int nLength = ::GetWindowTextLengthW(hCombo);
    std::wstring strText(static_cast<size_t>(nLength) + 1, L'\0');
    strText.resize(static_cast<size_t>(::GetWindowTextW(hCombo, strText.data(), nLength + 1)));
    DWORD dwStart = 0, dwEnd = 0;
    if (hEdit != hCombo)
        ::SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    ::SendMessageW(hCombo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& entry : list)
        ::SendMessageW(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    if (::GetWindowTextLengthW(hCombo) != nLength || nLength > 0) {
        ::SetWindowTextW(hCombo, strText.c_str());
        if (hEdit != hCombo)
            ::SendMessageW(hEdit, EM_SETSEL, dwStart, dwEnd);
    }
}

LRESULT CHistoryCombo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT lResult = CWnd::WindowProc(message, wParam, lParam);
    // Its edit box tells the combo box of what is typed; a text set on the combo box itself may
    // come without a word from the edit box (Wine's combo box keeps it quiet meanwhile).
    if (((message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) || message == WM_SETTEXT) && m_hWnd) {
        if (HWND hParent = ::GetParent(m_hWnd))
            ::SendMessageW(hParent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), EN_CHANGE),
                           reinterpret_cast<LPARAM>(m_hWnd));
    }
    return lResult;
}
