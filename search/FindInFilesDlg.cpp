// CFindInFilesDlg: the remembered inputs, the find button's enabling, the folder picker and the
// context help of the dialog's controls.
#include "search/FindInFilesDlg.h"
#include "framework/ComPtr.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "search/SearchHelp.h"
#include "search/SearchHistory.h"
#include <shlobj.h>
#include <vector>

FindInFilesInputs& RememberedFindInFilesInputs() {
    static FindInFilesInputs s_inputs;
    return s_inputs;
}

namespace {

// The file-system path of a shell item, or empty.
std::wstring PathOfItem(PCIDLIST_ABSOLUTE pidl) {
    // SHGetPathFromIDListW writes at most MAX_PATH characters.
    std::vector<wchar_t> path(MAX_PATH + 1, L'\0');
    if (!pidl || !::SHGetPathFromIDListW(pidl, path.data()))
        return {};
    return path.data();
}

int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData) {
    if (uMsg == BFFM_INITIALIZED) {
        ::SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, lpData);
    } else if (uMsg == BFFM_SELCHANGED) {
        std::wstring strPath = PathOfItem(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
        ::SendMessageW(hWnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(strPath.c_str()));
    }
    return 0;
}

} // namespace

bool BrowseForFolder(HWND hWndOwner, const std::wstring& strStart, std::wstring& strChosen) {
    std::vector<wchar_t> displayName(MAX_PATH, L'\0');
    const std::wstring strTitle = LoadStringResource(IDS_BROWSE_FOLDER_TITLE);
    BROWSEINFOW info{};
    info.hwndOwner = hWndOwner;
    info.pszDisplayName = displayName.data();
    info.lpszTitle = strTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(strStart.c_str());
    PIDLIST_ABSOLUTE pidl = ::SHBrowseForFolderW(&info);
    if (!pidl)
        return false;
    std::wstring strPath = PathOfItem(pidl);
    // The item list belongs to the shell's allocator.
    CComPtr<IMalloc> pMalloc;
    if (SUCCEEDED(::SHGetMalloc(pMalloc.Receive())) && pMalloc)
        pMalloc->Free(pidl);
    if (strPath.empty())
        return false;
    strChosen = strPath;
    return true;
}

CFindInFilesDlg::CFindInFilesDlg(CWnd* pParentWnd) : CDialog(IDD_FIND_IN_FILES, pParentWnd) {
    FindInFilesInputs& inputs = RememberedFindInFilesInputs();
    if (inputs.strTypes.empty())
        inputs.strTypes = L"*.txt";
    if (inputs.strFolder.empty()) {
        DWORD nLength = ::GetCurrentDirectoryW(0, nullptr);
        std::wstring strFolder(nLength, L'\0');
        nLength = ::GetCurrentDirectoryW(nLength, strFolder.data());
        strFolder.resize(nLength < strFolder.size() ? nLength : 0);
        inputs.strFolder = strFolder;
    }
}

BOOL CFindInFilesDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (HWND hFindWhat = GetDlgItem(IDC_FIND_WHAT))
        m_wndFindWhat.SubclassWindow(hFindWhat);
    const FindInFilesInputs& inputs = RememberedFindInFilesInputs();
    FillHistoryCombo(GetDlgItem(IDC_FIND_WHAT), TheSearchHistory().finds);
    ::SetDlgItemTextW(m_hWnd, IDC_FIND_WHAT, inputs.strFind.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_FIF_EXCLUDE_LABEL, LoadStringResource(IDS_FIF_EXCLUDE_LABEL).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_FIF_EXCLUDE, inputs.strExclude.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_FIF_FILE_TYPES, inputs.strTypes.c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_FIF_FOLDER, inputs.strFolder.c_str());
    ::CheckDlgButton(m_hWnd, IDC_MATCH_CASE, inputs.fMatchCase ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_REGEX, inputs.fRegex ? BST_CHECKED : BST_UNCHECKED);
    ::CheckDlgButton(m_hWnd, IDC_FIF_SUBFOLDERS, inputs.bSubfolders ? BST_CHECKED : BST_UNCHECKED);
    UpdateFindButton();
    return TRUE;
}

std::wstring CFindInFilesDlg::ItemText(int nID) const {
    HWND hCtl = GetDlgItem(nID);
    int nLength = ::GetWindowTextLengthW(hCtl);
    std::wstring strText(static_cast<size_t>(nLength) + 1, L'\0');
    nLength = ::GetWindowTextW(hCtl, strText.data(), nLength + 1);
    strText.resize(static_cast<size_t>(nLength));
    return strText;
}

bool CFindInFilesDlg::IsChecked(int nID) const {
    return ::IsDlgButtonChecked(m_hWnd, nID) == BST_CHECKED;
}

void CFindInFilesDlg::UpdateFindButton(bool bFindPicked) {
    bool bEnable = (bFindPicked || ::GetWindowTextLengthW(GetDlgItem(IDC_FIND_WHAT)) > 0) &&
                   ::GetWindowTextLengthW(GetDlgItem(IDC_FIF_FILE_TYPES)) > 0 &&
                   ::GetWindowTextLengthW(GetDlgItem(IDC_FIF_FOLDER)) > 0;
    ::EnableWindow(GetDlgItem(IDOK), bEnable);
}

void CFindInFilesDlg::OnOK() {
    // Enter reaches OK even while the button is disabled; an empty box would search for nothing.
    if (!::IsWindowEnabled(GetDlgItem(IDOK)))
        return;
    FindInFilesInputs& inputs = RememberedFindInFilesInputs();
    inputs.strFind = ItemText(IDC_FIND_WHAT);
    inputs.strTypes = ItemText(IDC_FIF_FILE_TYPES);
    inputs.strFolder = ItemText(IDC_FIF_FOLDER);
    inputs.strExclude = ItemText(IDC_FIF_EXCLUDE);
    AddToHistory(TheSearchHistory().finds, inputs.strFind);
    inputs.fMatchCase = IsChecked(IDC_MATCH_CASE);
    inputs.fRegex = IsChecked(IDC_REGEX);
    inputs.fWholeWord = IsChecked(IDC_WHOLE_WORD);
    inputs.bSubfolders = IsChecked(IDC_FIF_SUBFOLDERS);
    EndDialog(IDOK);
}

void CFindInFilesDlg::OnBrowse() {
    std::wstring strChosen;
    if (BrowseForFolder(m_hWnd, ItemText(IDC_FIF_FOLDER), strChosen))
        ::SetDlgItemTextW(m_hWnd, IDC_FIF_FOLDER, strChosen.c_str());
}

BOOL CFindInFilesDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int nID = LOWORD(wParam);
    const UINT nCode = HIWORD(wParam);
    // The search box is a drop-down combo box with the search history.
    if ((nCode == EN_CHANGE && (nID == IDC_FIF_FILE_TYPES || nID == IDC_FIF_FOLDER)) ||
        (nID == IDC_FIND_WHAT && nCode == EN_CHANGE)) {
        UpdateFindButton();
        return TRUE;
    }
    if (nID == IDC_FIND_WHAT && nCode == CBN_SELCHANGE) {
        // The box's text changes only after this notification; every entry holds text.
        UpdateFindButton(::SendMessageW(GetDlgItem(IDC_FIND_WHAT), CB_GETCURSEL, 0, 0) != CB_ERR);
        return TRUE;
    }
    if (nID == IDC_FIND_WHAT && nCode == CBN_DROPDOWN) {
        FillHistoryCombo(GetDlgItem(IDC_FIND_WHAT), TheSearchHistory().finds);
        return TRUE;
    }
    if (nCode == BN_CLICKED && nID == IDC_FIF_SUBFOLDERS) {
        RememberedFindInFilesInputs().bSubfolders = IsChecked(IDC_FIF_SUBFOLDERS);
        return TRUE;
    }
    if (nCode == BN_CLICKED && nID == IDC_FIF_BROWSE) {
        OnBrowse();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CFindInFilesDlg::OnHelpInfo(HELPINFO* pHelpInfo) {
    return ShowHelpPopup(m_hWnd, pHelpInfo, SearchHelpDialog::FindInFiles) ? TRUE : FALSE;
}
