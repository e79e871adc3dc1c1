// Context help of the search dialogs: one table for Find, Replace and find in files, and the
// pop-up at the control.
#include "search/SearchHelp.h"
#include "framework/ContextHelp.h"
#include "res/resource.h"

namespace {
// Controls of the find-in-files dialog only: its file-type box and label, its folder box, browse
// button and label, and its subfolder check box.
constexpr int kFileTypes = 1050;
constexpr int kFolder = 1051;
constexpr int kBrowse = 1052;
constexpr int kSubfolders = 1053;
constexpr int kFileTypesLabel = 1058;
constexpr int kFolderLabel = 1059;

// Rows every search dialog has.
UINT CommonHelpString(int nCtrlId) {
    switch (nCtrlId) {
    case IDOK: return IDS_HELP_FIND_NEXT;
    case IDCANCEL: return IDS_HELP_CANCEL;
    case IDC_FIND_WHAT:
    case IDC_FIND_WHAT_LABEL: return IDS_HELP_FIND_WHAT;
    case IDC_WHOLE_WORD: return IDS_HELP_WHOLE_WORD;
    case IDC_MATCH_CASE: return IDS_HELP_MATCH_CASE;
    case IDC_REGEX: return IDS_HELP_REGEX;
    default: return 0;
    }
}

UINT FindReplaceHelpString(int nCtrlId) {
    switch (nCtrlId) {
    case IDC_SEARCH_UP:
    case IDC_SEARCH_DOWN:
    case IDC_DIRECTION_GROUP: return IDS_HELP_DIRECTION;
    case IDC_REPLACE_WITH:
    case IDC_REPLACE_WITH_LABEL: return IDS_HELP_REPLACE_WITH;
    case IDC_REPLACE: return IDS_HELP_REPLACE;
    case IDC_REPLACE_ALL: return IDS_HELP_REPLACE_ALL;
    case IDC_NOTEPAD_LIKE: return IDS_HELP_NOTEPAD_LIKE;
    case IDC_WRAP_AROUND: return IDS_HELP_WRAP_AROUND;
    case IDC_IN_SELECTION: return IDS_HELP_IN_SELECTION;
    default: return 0;
    }
}

UINT FindInFilesHelpString(int nCtrlId) {
    switch (nCtrlId) {
    case kFileTypes:
    case kFileTypesLabel: return IDS_HELP_FILE_TYPES;
    case kFolder:
    case kBrowse:
    case kFolderLabel: return IDS_HELP_FOLDER;
    case kSubfolders: return IDS_HELP_SUBFOLDERS;
    case IDC_FIF_EXCLUDE:
    case IDC_FIF_EXCLUDE_LABEL: return IDS_HELP_EXCLUDE;
    default: return 0;
    }
}
} // namespace

UINT SearchHelpStringFor(int nCtrlId, SearchHelpDialog dialog) {
    UINT nID = CommonHelpString(nCtrlId);
    if (nID == 0)
        nID = dialog == SearchHelpDialog::FindReplace ? FindReplaceHelpString(nCtrlId) : FindInFilesHelpString(nCtrlId);
    return nID != 0 ? nID : IDS_HELP_NO_TOPIC;
}

bool ShowHelpPopup(HWND hDlg, const HELPINFO* pHelpInfo, SearchHelpDialog dialog) {
    if (!pHelpInfo || pHelpInfo->iContextType != HELPINFO_WINDOW)
        return false;
    auto hCtl = static_cast<HWND>(pHelpInfo->hItemHandle);
    if (!hCtl || !::IsWindow(hCtl))
        hCtl = hDlg;
    int nCtrlId = pHelpInfo->iCtrlId;
    // The edit box inside a drop-down combo box has an id of its own: the combo box is meant.
    if (hCtl != hDlg && ::GetParent(hCtl) != hDlg && ::GetParent(::GetParent(hCtl)) == hDlg) {
        hCtl = ::GetParent(hCtl);
        nCtrlId = ::GetDlgCtrlID(hCtl);
    }
    // Wine's help viewer shows no text pop-ups; the framework falls back to a pop-up of its own.
    ShowContextHelpPopup(SearchHelpStringFor(nCtrlId, dialog), ContextHelpPoint(hCtl), hDlg);
    return true;
}
