#pragma once
// Answers another process's message boxes and common file dialogs: reads their texts, fills the
// file name, picks items of the combo boxes that a child template adds, and presses buttons.
#include <windows.h>
#include <string>
#include <vector>

namespace e2e {

// Control ids of the common Open/Save As dialog (the ones <dlgs.h> calls edt1, cmb1, cmb13).
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeCombo = 0x470;
constexpr int kFileNameCombo = 0x47c;
// The static control that holds a message box's text.
constexpr int kMessageBoxText = 0xFFFF;

bool IsMessageBox(HWND dlg);
bool IsFileDialog(HWND dlg);
// The message box's text (not its caption: use WindowText for that).
std::wstring MessageBoxText(HWND box);
// Ids of the push buttons of a dialog, in child order (IDYES, IDNO, IDCANCEL for MB_YESNOCANCEL).
std::vector<int> DialogButtons(HWND dlg);

// Presses button `id` of a dialog as a click does: a posted WM_COMMAND(id, BN_CLICKED). Posted, not
// sent, so that a question the press opens (an overwrite prompt, a save-changes question) does not
// block the test inside SendMessage.
bool PressButton(HWND dlg, int id);

// The file dialog's file-name field (the edit, or the edit inside the file-name combo box).
HWND FileNameField(HWND fileDlg);
bool SetFileName(HWND fileDlg, const std::wstring& name);
std::wstring FileName(HWND fileDlg);

// Combo box `ctlId` anywhere inside `dlg` (a child template's controls are grandchildren of the
// file dialog).
HWND FindCombo(HWND dlg, int ctlId);
int ComboSelection(HWND dlg, int ctlId);
std::vector<std::wstring> ComboItems(HWND dlg, int ctlId);
// Selects item `index` as the user does: CB_SETCURSEL, then the CBN_SELCHANGE notification that
// CB_SETCURSEL itself does not send, so the owner's hook sees the change.
bool SelectComboItem(HWND dlg, int ctlId, int index);

} // namespace e2e
