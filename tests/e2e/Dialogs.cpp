// Message boxes and common file dialogs of another process.
#include "Driver.h"

namespace e2e {

bool IsMessageBox(HWND dlg) {
    HWND text = ::GetDlgItem(dlg, kMessageBoxText);
    return text && WindowClass(text) == L"Static";
}

bool IsFileDialog(HWND dlg) {
    return FindDescendant(dlg, kFileTypeCombo, L"ComboBox") && FileNameField(dlg);
}

std::wstring MessageBoxText(HWND box) {
    return WindowText(::GetDlgItem(box, kMessageBoxText));
}

std::vector<int> DialogButtons(HWND dlg) {
    std::vector<int> ids;
    for (HWND child = ::GetWindow(dlg, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (WindowClass(child) != L"Button")
            continue;
        LONG type = ::GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
            ids.push_back(::GetDlgCtrlID(child));
    }
    return ids;
}

bool PressButton(HWND dlg, int id) {
    HWND button = ::GetDlgItem(dlg, id);
    return ::PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

HWND FileNameField(HWND fileDlg) {
    if (HWND edit = FindDescendant(fileDlg, kFileNameEdit, L"Edit"))
        return edit;
    if (HWND combo = FindDescendant(fileDlg, kFileNameCombo, L"ComboBox"))
        return FindDescendant(combo, -1, L"Edit");
    return nullptr;
}

bool SetFileName(HWND fileDlg, const std::wstring& name) {
    HWND field = FileNameField(fileDlg);
    return field && SendTimed(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str())) &&
           WindowText(field) == name;
}

std::wstring FileName(HWND fileDlg) {
    HWND field = FileNameField(fileDlg);
    return field ? WindowText(field) : std::wstring();
}

HWND FindCombo(HWND dlg, int ctlId) {
    return FindDescendant(dlg, ctlId, L"ComboBox");
}

int ComboSelection(HWND dlg, int ctlId) {
    LRESULT index = CB_ERR;
    HWND combo = FindCombo(dlg, ctlId);
    return combo && SendTimed(combo, CB_GETCURSEL, 0, 0, &index) ? static_cast<int>(index) : CB_ERR;
}

std::vector<std::wstring> ComboItems(HWND dlg, int ctlId) {
    std::vector<std::wstring> items;
    HWND combo = FindCombo(dlg, ctlId);
    LRESULT count = 0;
    if (!combo || !SendTimed(combo, CB_GETCOUNT, 0, 0, &count))
        return items;
    for (LRESULT i = 0; i < count; ++i) {
        // CB_GETLBTEXT is a system message: its buffer is carried across processes like WM_GETTEXT's.
        LRESULT length = 0;
        SendTimed(combo, CB_GETLBTEXTLEN, i, 0, &length);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        LRESULT copied = 0;
        SendTimed(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()), &copied);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        items.push_back(text);
    }
    return items;
}

bool SelectComboItem(HWND dlg, int ctlId, int index) {
    HWND combo = FindCombo(dlg, ctlId);
    LRESULT result = CB_ERR;
    if (!combo || !SendTimed(combo, CB_SETCURSEL, index, 0, &result) || result != index)
        return false;
    HWND owner = ::GetParent(combo);
    return SendTimed(owner, WM_COMMAND, MAKEWPARAM(ctlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

} // namespace e2e
