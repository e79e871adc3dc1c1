#pragma once
// CLinkButton: a dialog's push button taken over and drawn as an underlined web address, blue until
// it is clicked and dark blue afterwards; releasing the left mouse button over it opens the address
// in the user's browser.
#include "framework/Button.h"
#include <string>

class CLinkButton : public CButton {
public:
    // strTarget is handed to the shell on a click; strText is what the control shows.
    CLinkButton(std::wstring strTarget, std::wstring strText);

    bool IsClicked() const { return m_nState == kStateClicked; }
    const std::wstring& GetTarget() const { return m_strTarget; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static constexpr int kStateNew = 0;
    static constexpr int kStateClicked = 2;

    void OnPaint();
    void Repaint() const;
    bool OnSetCursor();
    void OnClick();

    std::wstring m_strTarget;
    std::wstring m_strText;
    int m_nState = kStateNew;
};
