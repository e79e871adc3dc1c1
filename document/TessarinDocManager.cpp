// The Open and Save As dialogs with their encoding and line-ending panels, the hooks that run the
// panels, and the byte-order-mark check of the file selected in the Open dialog.
#include "document/TessarinDocManager.h"
#include "document/TessarinDoc.h"
#include "framework/ContextHelp.h"
#include "framework/DocTemplate.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/FrameWnd.h"
#include "framework/ModalScope.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <commdlg.h>
#include <shlwapi.h>
#include <algorithm>
#include <vector>

namespace {

// The file name buffer's capacity, as the dialog is told it (nMaxFile).
constexpr DWORD kFileNameCapacity = 260;
// CDM_GETFILEPATH is asked for at most 255 characters and its terminating zero.
constexpr int kSelectedPathCapacity = 256;

// "テキスト文書 (*.txt)\0*.txt\0すべてのファイル\0*.*\0\0": the document string's filter name and
// extension, then all files.
std::wstring MakeFilter() {
    const std::wstring strDocString = LoadStringResource(IDR_MAINFRAME);
    return MakeFileFilter({{DocStringField(strDocString, CDocTemplate::filterName),
                            L"*" + DocStringField(strDocString, CDocTemplate::filterExt)},
                           {LoadStringResource(AFX_IDS_ALLFILTER), L"*.*"}});
}

CTessarinDoc* ActiveDocument() {
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr;
    return pFrame ? dynamic_cast<CTessarinDoc*>(pFrame->GetActiveDocument()) : nullptr;
}

// Sizes a drop-down list so that, dropped, it shows every entry without scrolling: a combo box's
// height in the template is its dropped height, which for the encodings held only five rows.
void ShowAllEntriesWhenDropped(HWND hList) {
    const auto nCount = static_cast<int>(::SendMessageW(hList, CB_GETCOUNT, 0, 0));
    const auto nItemHeight = static_cast<int>(::SendMessageW(hList, CB_GETITEMHEIGHT, 0, 0));
    if (nCount <= 0 || nItemHeight <= 0)
        return;
    RECT rc{};
    ::GetWindowRect(hList, &rc); // the closed box
    // The list's border, and a little room the list's own rounding to whole rows takes back.
    const UINT nDpi = GetWindowDpi(hList);
    const int nDropped = nCount * nItemHeight + 2 * GetSystemMetricForDpi(SM_CYBORDER, nDpi) + ScaleForDpi(2, nDpi);
    ::SetWindowPos(hList, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + nDropped,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FillEncodingList(HWND hDlg, EncodingId selected) {
    HWND hList = ::GetDlgItem(hDlg, IDC_ENCODING);
    for (int i = 0; i < kEncodingCount; ++i)
        ::SendMessageW(hList, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(EncodingLongName(static_cast<EncodingId>(i)).c_str()));
    ::SendMessageW(hList, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    ShowAllEntriesWhenDropped(hList);
}

void FillLineEndingList(HWND hDlg, LineEndingId selected) {
    HWND hList = ::GetDlgItem(hDlg, IDC_FORMAT);
    for (int i = 0; i < kLineEndingCount; ++i)
        ::SendMessageW(hList, CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(LineEndingLongName(static_cast<LineEndingId>(i)).c_str()));
    ::SendMessageW(hList, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    ShowAllEntriesWhenDropped(hList);
}

// The position selected in a list when it is one of the first nCount; -1 otherwise (no selection).
int SelectedPosition(HWND hDlg, int nID, int nCount) {
    LRESULT n = ::SendDlgItemMessageW(hDlg, nID, CB_GETCURSEL, 0, 0);
    return n >= 0 && n < nCount ? static_cast<int>(n) : -1;
}

// The file the user has just selected in the Open dialog (the panel's parent); moves the encoding
// list to what its byte-order mark announces. Folders and files that cannot be read leave it.
void ProposeEncodingOfSelection(HWND hDlg) {
    std::wstring strPath(kSelectedPathCapacity, L'\0');
    LRESULT nLength = ::SendMessageW(::GetParent(hDlg), CDM_GETFILEPATH, kSelectedPathCapacity,
                                     reinterpret_cast<LPARAM>(strPath.data()));
    if (nLength <= 0 || nLength > kSelectedPathCapacity)
        return; // nothing selected, or a longer path than we asked for
    strPath.resize(wcslen(strPath.c_str()));
    if (!::PathFileExistsW(strPath.c_str()) || ::PathIsDirectoryW(strPath.c_str()))
        return;
    try {
        ::SendDlgItemMessageW(hDlg, IDC_ENCODING, CB_SETCURSEL, static_cast<WPARAM>(GuessEncodingFromBom(strPath)), 0);
    } catch (const CException&) {
        // Held by another program without sharing: the list stays, the dialog goes on.
    }
}

// F1 on one of the Save As panel's lists: its description, at the control's top-left corner.
BOOL ShowListHelp(const HELPINFO* pInfo) {
    UINT nIDText = 0;
    if (pInfo->iCtrlId == IDC_ENCODING)
        nIDText = IDS_HELP_ENCODING_LIST;
    else if (pInfo->iCtrlId == IDC_FORMAT)
        nIDText = IDS_HELP_FORMAT_LIST;
    else
        return FALSE;
    RECT rc{};
    ::GetWindowRect(static_cast<HWND>(pInfo->hItemHandle), &rc);
    ShowContextHelpPopup(nIDText, POINT{rc.left, rc.top});
    return TRUE;
}

} // namespace

EncodingId GuessEncodingFromBom(const std::wstring& strPath) {
    unsigned char b[4] = {0, 0, 0, 0};
    {
        CFile file(strPath, CFile::modeRead | CFile::shareExclusive);
        file.Read(b, sizeof b);
    }
    if (b[0] == 0xFF && b[1] == 0xFE)
        return b[2] == 0 && b[3] == 0 ? EncodingId::Utf32LeBom : EncodingId::Utf16LeBom;
    if (b[0] == 0xFE && b[1] == 0xFF)
        return EncodingId::Utf16BeBom;
    if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return EncodingId::Utf8Bom;
    if (b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF)
        return EncodingId::Utf32BeBom;
    return EncodingId::SjisAuto;
}

FileDialogFormat& CTessarinDocManager::Selection() {
    static FileDialogFormat s_selection;
    return s_selection;
}

bool CTessarinDocManager::DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                                           CDocTemplate*) {
    CTessarinDoc* pDoc = ActiveDocument();
    FileDialogFormat format;
    if (bOpenFileDialog) {
        fileName = L"*" + DocStringField(LoadStringResource(IDR_MAINFRAME), CDocTemplate::filterExt);
    } else if (pDoc) {
        pDoc->GetFileFormat(format.encoding, format.lineEnding);
    }
    // Owned by the main window even when a search dialog had the focus; neither takes input meanwhile.
    CModalScope modal;
    bool bOK = RunFileDialog(modal.Owner(), fileName, nIDSTitle, lFlags, bOpenFileDialog, format);
    if (bOK && pDoc)
        pDoc->SetRequestedFormat(format.encoding, format.lineEnding);
    return bOK;
}

bool CTessarinDocManager::RunFileDialog(HWND hWndOwner, std::wstring& strName, UINT nIDSTitle, DWORD lFlags, bool bOpen,
                                        FileDialogFormat& format) {
    const std::wstring strTitle = LoadStringResource(nIDSTitle);
    const std::wstring strFilter = MakeFilter();
    std::wstring strDefExt = DocStringField(LoadStringResource(IDR_MAINFRAME), CDocTemplate::filterExt);
    if (!strDefExt.empty() && strDefExt.front() == L'.')
        strDefExt.erase(0, 1); // the dialog wants the extension without its dot
    std::vector<wchar_t> buffer(std::max<size_t>(kFileNameCapacity, strName.size() + 1), L'\0');
    strName.copy(buffer.data(), strName.size());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn; // the size with the trailing reserved fields and FlagsEx
    ofn.hwndOwner = hWndOwner;
    ofn.hInstance = ::GetModuleHandleW(nullptr);
    ofn.lpstrFilter = strFilter.c_str();
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kFileNameCapacity;
    ofn.lpstrTitle = strTitle.c_str();
    ofn.Flags = lFlags | OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_EXPLORER | OFN_ENABLESIZING;
    ofn.lpstrDefExt = strDefExt.c_str();
    ofn.lpTemplateName = MAKEINTRESOURCEW(bOpen ? IDD_OPEN_ENCODING : IDD_SAVE_ENCODING);
    ofn.lpfnHook = bOpen ? OpenHookProc : SaveHookProc;

    // The Open dialog always starts from detection with CR LF, whatever was chosen last time.
    Selection() = bOpen ? FileDialogFormat{} : format;
    BOOL bOK = bOpen ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
    strName.assign(buffer.data());
    if (bOK)
        format = Selection();
    return bOK != FALSE;
}

UINT_PTR CALLBACK CTessarinDocManager::OpenHookProc(HWND hDlg, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: FillEncodingList(hDlg, Selection().encoding); return TRUE;
    case WM_NOTIFY:
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case CDN_SELCHANGE: ProposeEncodingOfSelection(hDlg); return FALSE;
        case CDN_FILEOK:
            if (int n = SelectedPosition(hDlg, IDC_ENCODING, kEncodingCount); n >= 0)
                Selection().encoding = static_cast<EncodingId>(n);
            return FALSE; // the Open dialog has no line-ending list: that stays CR LF
        }
        return FALSE;
    case WM_COMMAND: return TRUE;
    }
    return FALSE;
}

UINT_PTR CALLBACK CTessarinDocManager::SaveHookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        FillEncodingList(hDlg, Selection().encoding);
        FillLineEndingList(hDlg, Selection().lineEnding);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != CBN_SELCHANGE)
            return FALSE;
        // The choice is kept at once; it reaches the document only when the dialog is confirmed.
        if (LOWORD(wParam) == IDC_ENCODING) {
            if (int n = SelectedPosition(hDlg, IDC_ENCODING, kEncodingCount); n >= 0)
                Selection().encoding = static_cast<EncodingId>(n);
        } else if (int n = SelectedPosition(hDlg, IDC_FORMAT, kLineEndingCount); n >= 0) {
            Selection().lineEnding = static_cast<LineEndingId>(n);
        }
        return TRUE;
    case WM_HELP: return ShowListHelp(reinterpret_cast<const HELPINFO*>(lParam));
    }
    return FALSE;
}
