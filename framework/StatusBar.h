#pragma once
// CStatusBar: the platform's status bar control as a bar along the frame's bottom edge, with panes
// given by an indicator array: id 0 for a pane the program fills, or a string id whose text shows
// while its key lock is on (CAP, NUM, SCRL, カナ). The first pane stretches.
#include "framework/ControlBar.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiHandles.h"
#include <string>
#include <vector>

// Pane styles.
#define SBPS_NORMAL 0x0000
#define SBPS_NOBORDERS 0x0100
#define SBPS_POPOUT 0x0200
#define SBPS_OWNERDRAW 0x1000
#define SBPS_DISABLED 0x04000000
#define SBPS_STRETCH 0x08000000

class CStatusBar : public CControlBar {
public:
    CStatusBar() = default;

    bool Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);
    // One pane per entry; an indicator's width is that of its string (id 0: no text, no width).
    bool SetIndicators(const UINT* lpIDArray, int nIDCount);
    int GetCount() const { return static_cast<int>(m_panes.size()); }

    UINT GetItemID(int nIndex) const;
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    // Width in pixels of the pane's text area; borders are added by the bar.
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    // Makes the pane's text area as wide as strSample in the bar's font, now and whenever the
    // bar's DPI changes.
    void SetPaneWidthFromText(int nIndex, const std::wstring& strSample);
    std::wstring GetPaneText(int nIndex) const;
    // Sets the pane's text; with bUpdate the pane is repainted, and only when the text changed.
    bool SetPaneText(int nIndex, const std::wstring& strText, bool bUpdate = true);

    // The bar's own font (what it answers to WM_GETFONT): the system's status bar font at the bar's
    // DPI.
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    // Width in pixels of a one-line text in the bar's font.
    int MeasureText(const std::wstring& strText) const;

    SIZE CalcFixedLayout(bool bStretch, bool bHorz) override;
    // Key lock indicators show their text while their lock is on.
    void OnIdleUpdate(CFrameWnd* pFrame) override;

protected:
    int OnCreate(CREATESTRUCTW* pCreate) override;
    void OnSize(UINT nType, int cx, int cy) override;
    // The font is made again, and every pane measured from a text again.
    void OnDpiChanged(UINT nOldDpi) override;

private:
    struct Pane {
        UINT nID = 0;
        UINT nStyle = SBPS_NORMAL;
        int cxText = 0;
        std::wstring strSample; // what the width is measured from; empty: a width in pixels
        std::wstring strText;
        bool bTextSet = false;
    };
    // Sends the pane edges to the control: the first stretching pane takes what the others leave.
    void UpdatePartEdges();
    void ApplyText(int nIndex);
    static int LockKeyOf(UINT nID);
    void MakeFont();

    std::vector<Pane> m_panes;
    CFontHandle m_font;
};
