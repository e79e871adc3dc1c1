#pragma once
// CCmdUI: the state (enabled, checked, text) of one command's menu item, asked of the command
// route when a menu pops up or before an accelerator runs its command.
#include <windows.h>

class CCmdTarget;

class CCmdUI {
public:
    // A menu item at nIndex of hMenu, or (hMenu null) a bare query before a command runs.
    CCmdUI(UINT nID, HMENU hMenu = nullptr, UINT nIndex = 0) : m_nID(nID), m_nIndex(nIndex), m_hMenu(hMenu) {}

    UINT m_nID;
    UINT m_nIndex;
    HMENU m_hMenu;

    virtual ~CCmdUI() = default;
    virtual void Enable(bool bOn = true);
    virtual void SetCheck(int nCheck = 1); // 0 clear, 1 checked
    virtual void SetText(const wchar_t* pszText);

    // Asks the route starting at pTarget for this command's state. With bDisableIfNoHandler, an
    // item nobody updates and nobody handles is shown disabled (so is its accelerator).
    bool DoUpdate(CCmdTarget* pTarget, bool bDisableIfNoHandler);

    bool IsEnabled() const { return m_bEnabled; }
    bool IsChecked() const { return m_nCheck != 0; }

private:
    bool m_bEnableChanged = false;
    bool m_bEnabled = true;
    int m_nCheck = 0;
};
