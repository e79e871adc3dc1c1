#pragma once
// CProgress: long work on the window's thread, told in the status bar's first pane ("読み込み中…
// 45%") once it has run for half a second, with the program's windows kept painted meanwhile.
#include <windows.h>
#include <string>

class CFrameWnd;

class CProgress {
public:
    // Shows in pFrame's status bar; with no frame (or one without a window) it shows nothing.
    explicit CProgress(CFrameWnd* pFrame);
    // Puts back what the pane said before, when anything was shown there.
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    // The work of the phase nTextId (a string whose "%1" takes the percent) has done nDone of
    // nTotal. Until the work has run for kDelayMs nothing happens; then the text is shown at most
    // every kRefreshMs and the windows waiting for a repaint are painted. Only WM_PAINT is taken
    // from the queue: input and commands wait until the work is over, so nothing can change the
    // document under it.
    void Step(UINT nTextId, ULONGLONG nDone, ULONGLONG nTotal);
    // True once the pane has shown anything.
    bool Shown() const { return m_bShown; }

    static constexpr ULONGLONG kDelayMs = 500;
    static constexpr ULONGLONG kRefreshMs = 100;

    // The function that formats and shows the text (tests put one of their own in its place to see
    // what would be shown); SetShowFunction returns the one it replaces, null puts the pane back.
    using ShowFunction = void (*)(CFrameWnd* pFrame, UINT nTextId, int nPercent);
    static ShowFunction SetShowFunction(ShowFunction pfn);

private:
    static void ShowInPane(CFrameWnd* pFrame, UINT nTextId, int nPercent);
    static void PaintWaitingWindows();

    CFrameWnd* m_pFrame;
    ULONGLONG m_nStart;
    std::wstring m_strBefore; // the pane's text when the progress first showed
    ULONGLONG m_nLastShown = 0;
    UINT m_nLastText = 0;
    int m_nLastPercent = -1;
    bool m_bShown = false;
    static inline ShowFunction s_pfnShow = nullptr;
};
