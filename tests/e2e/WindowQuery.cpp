// Cross-process reads of window texts, controls, menus, EDIT selections and status-bar panes.
#include "Driver.h"
#include <commctrl.h>

namespace e2e {

std::wstring WindowText(HWND hwnd) {
    LRESULT length = 0;
    if (!SendTimed(hwnd, WM_GETTEXTLENGTH, 0, 0, &length))
        return std::wstring();
    // WM_GETTEXTLENGTH may overstate (never understate) the length; the copy's count is exact.
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendTimed(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &copied))
        return std::wstring();
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::wstring WindowClass(HWND hwnd) {
    std::wstring name(256, L'\0');
    int n = ::GetClassNameW(hwnd, name.data(), static_cast<int>(name.size()));
    name.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return name;
}

namespace {
struct ChildSearch {
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    if (!search->className || ::lstrcmpiW(WindowClass(hwnd).c_str(), search->className) == 0)
        search->found.push_back(hwnd);
    return TRUE;
}
} // namespace

std::vector<HWND> Descendants(HWND parent, const wchar_t* className) {
    // EnumChildWindows already walks the whole tree below `parent`, depth first.
    ChildSearch search{className, {}};
    ::EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDescendant(HWND parent, int ctlId, const wchar_t* className) {
    for (HWND hwnd : Descendants(parent, className))
        if (ctlId == -1 || ::GetDlgCtrlID(hwnd) == ctlId)
            return hwnd;
    return nullptr;
}

namespace {
// Opens the process that owns `hwnd` for remote memory.
CKernelHandle OpenOwner(HWND hwnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return CKernelHandle(::OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid));
}
} // namespace

std::pair<long, long> EditSelection(HWND edit) {
    // EM_GETSEL is a system message: Wine and Windows both carry its two DWORD pointers across
    // processes, so plain local variables receive the answer.
    DWORD start = 0, end = 0;
    if (!SendTimed(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)))
        return {-1, -1};
    return {static_cast<long>(start), static_cast<long>(end)};
}

std::wstring StatusPaneText(HWND statusBar, int pane) {
    LRESULT info = 0;
    if (!SendTimed(statusBar, SB_GETTEXTLENGTHW, pane, 0, &info))
        return std::wstring();
    size_t chars = LOWORD(info) + 1;
    CKernelHandle process = OpenOwner(statusBar);
    CRemoteMemory buffer(process.Get(), chars * sizeof(wchar_t));
    if (!buffer || !SendTimed(statusBar, SB_GETTEXTW, pane, buffer.AsLParam()))
        return std::wstring();
    return buffer.ReadString(chars);
}

int StatusPaneCount(HWND statusBar) {
    LRESULT count = 0;
    return SendTimed(statusBar, SB_GETPARTS, 0, 0, &count) ? static_cast<int>(count) : 0;
}

namespace {
// The menu that holds item `cmdId` (searching submenus) or null.
HMENU MenuHolding(HMENU menu, UINT cmdId) {
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            if (HMENU found = MenuHolding(sub, cmdId))
                return found;
        } else if (::GetMenuItemID(menu, i) == cmdId) {
            return menu;
        }
    }
    return nullptr;
}

std::optional<UINT> ItemState(HWND hwnd, UINT cmdId) {
    HMENU menu = CanReadMenu(hwnd) ? MenuHolding(::GetMenu(hwnd), cmdId) : nullptr;
    if (!menu)
        return std::nullopt;
    return ::GetMenuState(menu, cmdId, MF_BYCOMMAND);
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR lParam) {
    *reinterpret_cast<LPCWSTR*>(lParam) = IS_INTRESOURCE(name) ? name : nullptr;
    return FALSE;
}

// Destroys a menu loaded into this process.
struct MenuOwner {
    HMENU h;
    ~MenuOwner() {
        if (h)
            ::DestroyMenu(h);
    }
};
// Frees a module loaded as data.
struct ModuleOwner {
    HMODULE h;
    ~ModuleOwner() {
        if (h)
            ::FreeLibrary(h);
    }
};
} // namespace

bool CanReadMenu(HWND hwnd) {
    HMENU menu = ::GetMenu(hwnd);
    return menu && ::GetMenuItemCount(menu) >= 0;
}

std::optional<bool> IsMenuItemChecked(HWND hwnd, UINT cmdId) {
    std::optional<UINT> state = ItemState(hwnd, cmdId);
    return state ? std::optional<bool>((*state & MF_CHECKED) != 0) : std::nullopt;
}

std::optional<bool> IsMenuItemEnabled(HWND hwnd, UINT cmdId) {
    std::optional<UINT> state = ItemState(hwnd, cmdId);
    return state ? std::optional<bool>((*state & (MF_GRAYED | MF_DISABLED)) == 0) : std::nullopt;
}

std::optional<UINT> MenuResourceItemId(const std::wstring& exe, int popup, int item) {
    ModuleOwner module{
        ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)};
    LPCWSTR name = nullptr;
    if (!module.h)
        return std::nullopt;
    ::EnumResourceNamesW(module.h, RT_MENU, TakeFirstName, reinterpret_cast<LONG_PTR>(&name));
    MenuOwner menu{name ? ::LoadMenuW(module.h, name) : nullptr};
    HMENU sub = menu.h ? ::GetSubMenu(menu.h, popup) : nullptr;
    if (!sub || item < 0 || item >= ::GetMenuItemCount(sub))
        return std::nullopt;
    UINT id = ::GetMenuItemID(sub, item);
    return id == static_cast<UINT>(-1) ? 0 : id;
}

HWND TextBox(HWND dlg, int id) {
    HWND hCtl = ::GetDlgItem(dlg, id);
    HWND hEdit = hCtl ? ::FindWindowExW(hCtl, nullptr, L"Edit", nullptr) : nullptr;
    return hEdit ? hEdit : hCtl;
}

// A combo box takes WM_SETTEXT into its edit box, and the program hears of it as of an edit box's
// change: the same message serves both kinds of box.
bool SetItemText(HWND dlg, int id, const std::wstring& text) {
    return SendTimed(::GetDlgItem(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t p = 0;
    for (size_t e; (e = text.find(L"\r\n", p)) != std::wstring::npos; p = e + 2)
        lines.push_back(text.substr(p, e - p));
    return lines;
}

} // namespace e2e
