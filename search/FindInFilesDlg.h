#pragma once
// CFindInFilesDlg: asks what to search for, in which file types and folder, with whole word, match
// case and subfolders; remembers the inputs for the life of the process. BrowseForFolder: the
// shell's folder picker that its "..." button opens.
#include "framework/Dialog.h"
#include "search/SearchHistory.h"
#include <string>

// What the dialog remembers from one use to the next (never written to the registry).
struct FindInFilesInputs {
    std::wstring strFind;
    std::wstring strTypes;   // "*.txt" when first used
    std::wstring strFolder;  // the current folder when first used
    std::wstring strExclude; // names left out ("*.bak; .git\\"), empty when first used
    bool fMatchCase = false;
    bool fRegex = false;
    bool fWholeWord = false; // the box starts clear each time; this is the state of the last OK
    bool bSubfolders = true; // taken at once whenever its box is clicked, even if then cancelled
};

// The process-wide remembered inputs.
FindInFilesInputs& RememberedFindInFilesInputs();

// Lets the user pick a folder, starting at strStart; true with its file-system path when one was
// chosen.
bool BrowseForFolder(HWND hWndOwner, const std::wstring& strStart, std::wstring& strChosen);

class CFindInFilesDlg : public CDialog {
public:
    explicit CFindInFilesDlg(CWnd* pParentWnd = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;

private:
    std::wstring ItemText(int nID) const;
    bool IsChecked(int nID) const;
    // "検索(&F)" is enabled exactly while the three boxes all hold text (bFindPicked: an entry of
    // the search box's history was just picked, and the box's text follows after the notification).
    void UpdateFindButton(bool bFindPicked = false);
    void OnBrowse();

    CHistoryCombo m_wndFindWhat;
};
