#pragma once
// CWordWrapSwitch: word wrap for an edit view. The EDIT control decides wrapping by its style when
// it is created (it wraps exactly when it lacks ES_AUTOHSCROLL), so switching means a new control
// in the old one's place, created by the view itself (CWnd::CreateEx), so the view owns it like
// the first one.
#include <windows.h>

class CEditView;

class CWordWrapSwitch {
public:
    explicit CWordWrapSwitch(CEditView& view) : m_view(view) {}
    CWordWrapSwitch(const CWordWrapSwitch&) = delete;
    CWordWrapSwitch& operator=(const CWordWrapSwitch&) = delete;

    bool IsWordWrap() const;
    // Replaces the control with one of the other wrap setting, keeping text, selection, top line,
    // font, tab stops, focus and place. False when the new control could not be made: the old
    // one stays. The caller deals with what hangs on the window (history, drop target, timers).
    bool Toggle();
    // True while the new control is being created: the view's PreCreateWindow and OnCreate then
    // leave the style and settings as the switch chose them.
    bool IsSwitching() const { return m_bSwitching; }

private:
    CEditView& m_view;
    bool m_bSwitching = false;
};
