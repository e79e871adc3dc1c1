#pragma once
// CPrintingWnd: the small window that stays up while a document goes to the printer, saying which
// page is on its way, with a Cancel button that stops the run between pages.
#include "framework/Wnd.h"
#include <string>

class CPrintingWnd : public CWnd {
public:
    CPrintingWnd() = default;
    // Creates the window, centred over hOwner, showing strDocument.
    bool Create(HWND hOwner, const std::wstring& strDocument);
    void SetPage(UINT nPage);
    // Hands waiting messages on (so Cancel can be pressed); false once the user cancelled.
    bool PumpAndContinue();
    bool IsCancelled() const { return m_bCancelled; }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnClose() override { m_bCancelled = true; }

private:
    HWND m_hPage = nullptr;
    bool m_bCancelled = false;
};
