#pragma once
// CFrameWnd: a top-level window hosting one view as its client. It routes commands
// (view -> document -> frame -> application) and fills in menu item states when a menu pops up.
#include "framework/Wnd.h"

class CView;
class CDocument;

class CFrameWnd : public CWnd {
public:
    CFrameWnd() = default;

    bool Create(const wchar_t* pszTitle, DWORD dwStyle = WS_OVERLAPPEDWINDOW, const RECT* pRect = nullptr,
                HWND hParent = nullptr, HMENU hMenu = nullptr);

    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pView);
    CDocument* GetActiveDocument() const;

    // Places the view over the whole client area; frames with bars override it.
    virtual void RecalcLayout();

    bool OnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    bool m_bAutoDelete = false; // delete the object when its window is gone

protected:
    void OnSize(UINT nType, int cx, int cy) override;
    void OnSetFocus(HWND hOldFocus) override;
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu) override;
    void OnDestroy() override;
    void PostNcDestroy() override;

private:
    CView* m_pViewActive = nullptr;
};
