// CRecoveryDlg: the list of left-behind snapshots with Restore, Discard (after a question whose
// default is No) and Later.
#include "app/RecoveryDlg.h"
#include "framework/Dpi.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <commctrl.h>

namespace {
// "12,345": digits grouped by threes, as the list shows character counts.
std::wstring GroupedNumber(uint64_t n) {
    std::wstring digits = std::to_wstring(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += L',';
        out += digits[i];
    }
    return out;
}
} // namespace

CRecoveryDlg::CRecoveryDlg(std::vector<ClaimedSnapshot>& snapshots, CWnd* pParentWnd)
    : CDialog(IDD_RECOVERY, pParentWnd), m_snapshots(snapshots) {}

std::wstring CRecoveryDlg::NameText(const ClaimedSnapshot& snapshot) {
    return snapshot.state.strPath.empty() ? LoadStringResource(AFX_IDS_UNTITLED) : snapshot.state.strPath;
}

std::wstring CRecoveryDlg::TimeText(const ClaimedSnapshot& snapshot) {
    FILETIME ftUtc{static_cast<DWORD>(snapshot.state.nTakenAt), static_cast<DWORD>(snapshot.state.nTakenAt >> 32)};
    FILETIME ftLocal{};
    SYSTEMTIME st{};
    if (!::FileTimeToLocalFileTime(&ftUtc, &ftLocal) || !::FileTimeToSystemTime(&ftLocal, &st))
        return {};
    std::wstring strDate(64, L'\0'), strTime(64, L'\0');
    strDate.resize(std::max(0, ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, strDate.data(), 64) - 1));
    strTime.resize(std::max(0, ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, strTime.data(), 64) - 1));
    return strDate + L" " + strTime;
}

std::wstring CRecoveryDlg::SizeText(const ClaimedSnapshot& snapshot) {
    return FormatText(LoadStringResource(IDS_RECOVERY_SIZE), {GroupedNumber(snapshot.nTextChars)});
}

BOOL CRecoveryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    HWND hList = GetDlgItem(IDC_RECOVERY_LIST);
    ListView_SetExtendedListViewStyle(hList, LVS_EX_FULLROWSELECT);
    RECT rc{};
    ::GetClientRect(hList, &rc);
    const int cx = rc.right - rc.left - GetSystemMetricForDpi(SM_CXVSCROLL, GetWindowDpi(hList));
    const UINT columns[] = {IDS_RECOVERY_COLUMN_FILE, IDS_RECOVERY_COLUMN_TIME, IDS_RECOVERY_COLUMN_SIZE};
    const int widths[] = {cx * 50 / 100, cx * 30 / 100, cx * 20 / 100};
    for (int i = 0; i < 3; ++i) {
        std::wstring strTitle = LoadStringResource(columns[i]);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        col.fmt = i == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        col.cx = widths[i];
        col.pszText = strTitle.data();
        ListView_InsertColumn(hList, i, &col);
    }
    FillList();
    CenterWindow();
    ::SetFocus(hList);
    return FALSE; // the focus is on the list, its first line selected
}

void CRecoveryDlg::FillList() {
    HWND hList = GetDlgItem(IDC_RECOVERY_LIST);
    ListView_DeleteAllItems(hList);
    for (int i = 0; i < static_cast<int>(m_snapshots.size()); ++i) {
        const std::wstring texts[] = {NameText(m_snapshots[i]), TimeText(m_snapshots[i]), SizeText(m_snapshots[i])};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(texts[0].c_str());
        ListView_InsertItem(hList, &item);
        for (int j = 1; j < 3; ++j)
            ListView_SetItemText(hList, i, j, const_cast<wchar_t*>(texts[j].c_str()));
    }
    if (!m_snapshots.empty())
        ListView_SetItemState(hList, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int CRecoveryDlg::Selected() const {
    int n = ListView_GetNextItem(GetDlgItem(IDC_RECOVERY_LIST), -1, LVNI_SELECTED);
    return n >= 0 && n < static_cast<int>(m_snapshots.size()) ? n : -1;
}

void CRecoveryDlg::OnOK() {
    m_nChosen = Selected();
    if (m_nChosen >= 0)
        EndDialog(IDOK);
}

void CRecoveryDlg::OnDiscard() {
    int n = Selected();
    if (n < 0)
        return;
    std::wstring strText = FormatText(LoadStringResource(IDS_RECOVERY_CONFIRM_DISCARD), {NameText(m_snapshots[n])});
    std::wstring strCaption = LoadStringResource(IDS_DISPLAY_NAME);
    // No is the default: a hurried Enter keeps the text.
    if (::MessageBoxW(m_hWnd, strText.c_str(), strCaption.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    ::DeleteFileW(m_snapshots[n].strFile.c_str());
    m_snapshots.erase(m_snapshots.begin() + n); // its lock goes with it
    if (m_snapshots.empty()) {
        EndDialog(IDCANCEL);
        return;
    }
    FillList();
}

bool CRecoveryDlg::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case IDC_RECOVERY_RESTORE: return Handle(nCode, pExtra, [this] { OnOK(); });
    case IDC_RECOVERY_DISCARD: return Handle(nCode, pExtra, [this] { OnDiscard(); });
    default: return CDialog::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
