// The framework's message boxes: caption, owner and default icon chosen the same way for every
// message the program shows.
#include "framework/MessageBox.h"
#include "framework/FrameworkIds.h"
#include "framework/ModalScope.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"

namespace {

// A box without an icon gets the one its buttons suggest: a question mark for Yes/No questions,
// an exclamation mark for everything else.
UINT WithDefaultIcon(UINT nType) {
    if ((nType & MB_ICONMASK) != 0)
        return nType;
    UINT nButtons = nType & MB_TYPEMASK;
    if (nButtons == MB_YESNO || nButtons == MB_YESNOCANCEL)
        return nType | MB_ICONQUESTION;
    return nType | MB_ICONEXCLAMATION;
}

} // namespace

int AfxMessageBox(const std::wstring& strText, UINT nType, UINT nIDHelp) {
    std::wstring strCaption = LoadStringResource(AFX_IDS_APP_TITLE);
    // Owned by the main window (or by the modal dialog that raises it), which with the modeless
    // dialogs takes no input meanwhile.
    CModalScope modal;
    MSGBOXPARAMSW params = {};
    params.cbSize = sizeof(params);
    params.hwndOwner = modal.Owner();
    params.hInstance = ::GetModuleHandleW(nullptr);
    params.lpszText = strText.c_str();
    params.lpszCaption = strCaption.c_str();
    params.dwStyle = WithDefaultIcon(nType);
    params.dwContextHelpId = nIDHelp;
    return ::MessageBoxIndirectW(&params);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    return AfxMessageBox(LoadStringResource(nIDPrompt), nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}
