// Menu item updates of CCmdUI and the update pass that asks the command route for them.
#include "framework/CmdUI.h"
#include "framework/CmdTarget.h"

void CCmdUI::Enable(bool bOn) {
    m_bEnableChanged = true;
    m_bEnabled = bOn;
    if (m_hMenu)
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

void CCmdUI::SetCheck(int nCheck) {
    m_nCheck = nCheck;
    if (m_hMenu)
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetText(const wchar_t* pszText) {
    if (!m_hMenu)
        return;
    // ModifyMenu would drop the item's check and enabled state; SetMenuItemInfo keeps them.
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = const_cast<wchar_t*>(pszText);
    ::SetMenuItemInfoW(m_hMenu, m_nIndex, TRUE, &mii);
}

bool CCmdUI::DoUpdate(CCmdTarget* pTarget, bool bDisableIfNoHandler) {
    m_bEnableChanged = false;
    bool bHandled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (bDisableIfNoHandler && !m_bEnableChanged) {
        int nProbe = 1;
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, &nProbe));
    }
    return bHandled;
}
