#pragma once
// CPrintInfo: the state of one print or preview run that the print loop shares with the view's
// print steps: the printer's device context, the page range and current page, the drawing
// rectangle, and whether the run is a preview, a direct print or a pagination pass. Also the
// texts the framework's print windows show, which the program hands over at start-up.
#include "framework/Handles.h"
#include <windows.h>
#include <string>

struct PrinterDCTraits {
    using handle_type = HDC;
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
// A printer device context of our own (CreateDC or a print dialog's), deleted once.
using CPrinterDC = CScopedHandle<PrinterDCTraits>;

class CPrintInfo {
public:
    CPrintInfo() = default;
    CPrintInfo(const CPrintInfo&) = delete;
    CPrintInfo& operator=(const CPrintInfo&) = delete;

    void SetMinPage(UINT nMinPage) { m_nMinPage = nMinPage; }
    void SetMaxPage(UINT nMaxPage) { m_nMaxPage = nMaxPage; }
    UINT GetMinPage() const { return m_nMinPage; }
    UINT GetMaxPage() const { return m_nMaxPage; }
    // The pages to print: the dialog's range when it gave one, else everything.
    UINT GetFromPage() const { return m_nFromPage ? m_nFromPage : m_nMinPage; }
    UINT GetToPage() const { return m_nToPage ? m_nToPage : m_nMaxPage; }

    CPrinterDC m_dc;             // the printer's device context, once there is one
    // Where text is measured and device sizes are read: the printer, also while the preview draws
    // the page on the screen. Null: the DC being drawn on.
    HDC m_hAttribDC = nullptr;
    HDC AttribDC(HDC hDrawDC) const { return m_hAttribDC ? m_hAttribDC : hDrawDC; }
    bool m_bPreview = false;     // drawing for the print preview
    bool m_bDirect = false;      // printed without the print dialog (command line, shell)
    bool m_bPaginating = false;  // a layout pass: nothing is drawn, page breaks are recorded
    bool m_bContinuePrinting = true;
    UINT m_nCurPage = 1;
    UINT m_nNumPreviewPages = 0; // 0: the application's choice
    std::wstring m_strPageDesc;  // "page %u\npages %u-%u\n" for the preview's status
    RECT m_rectDraw{};           // the page's drawing rectangle in device units
    UINT m_nFromPage = 0;        // the dialog's range; 0: not given
    UINT m_nToPage = 0;
    int m_nCopies = 1;
    DWORD m_dwFlags = 0;         // the print dialog's PD_* flags

private:
    UINT m_nMinPage = 1;
    UINT m_nMaxPage = 0xFFFF;
};

// String-table ids of the framework's print windows and messages, set by the program at start-up
// (the framework holds no texts of its own). A zero id shows nothing.
struct PrintTexts {
    UINT nPrinting = 0;     // abort window: "printing %s" with the document's title
    UINT nPrintingPage = 0; // abort window: "page %d"
    UINT nCancel = 0;       // abort window's button
    UINT nNoPrinter = 0;    // no printer is installed
    UINT nPrintFailed = 0;  // the printer refused the document
    UINT nPreviewPrint = 0, nPreviewNext = 0, nPreviewPrev = 0, nPreviewOnePage = 0, nPreviewTwoPages = 0,
         nPreviewZoomIn = 0, nPreviewZoomOut = 0, nPreviewClose = 0; // preview bar buttons
    UINT nPreviewPageCount = 0; // preview: "%s" the page description, "%d" the number of pages
};
void SetPrintTexts(const PrintTexts& texts);
const PrintTexts& GetPrintTexts();
