#pragma once
// CView: a child window that shows a document. Commands reach the view first and go on to its
// document when the view does not handle them.
#include "framework/Wnd.h"

class CDocument;
class CPrintInfo;

class CView : public CWnd {
public:
    CView() = default;
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    // Joins the view to a document (leaving the previous one); null detaches it.
    void SetDocument(CDocument* pDocument);

    // Creates the view's window as child nID of the frame; views over a platform control override it.
    virtual bool CreateView(HWND hParent, UINT nID, const RECT& rect);
    // Once the frame, the view and the document are together, before the frame is first shown.
    virtual void OnInitialUpdate() {}

    // view -> document
    bool OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    // Print, direct print and print preview.
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    // The print steps, called by the print loop and the preview in this order: preparation (a
    // printer and its device context; false ends the run), begin, then for each page the DC's
    // preparation and the page itself, and the end.
    virtual bool OnPreparePrinting(CPrintInfo* pInfo) { return DoPreparePrinting(pInfo); }
    virtual void OnBeginPrinting(HDC, CPrintInfo*) {}
    virtual void OnPrepareDC(HDC, CPrintInfo*) {}
    virtual void OnPrint(HDC, CPrintInfo*) {}
    virtual void OnEndPrinting(HDC, CPrintInfo*) {}
    // The printer for a run: for a preview or a direct print the command line's printer or the
    // application's (the print dialog when there is none), else the print dialog. False, after a
    // message when no printer is installed at all, when there is no device context to print on.
    bool DoPreparePrinting(CPrintInfo* pInfo);

    // The print loop: every page of the range, each copy, with the abort window; bDirect skips the
    // print dialog.
    void OnFilePrint(bool bDirect);
    // The print preview in place of the view inside the frame.
    void OnFilePrintPreview();

    // When set, the object deletes itself once its window is gone (views made with new).
    bool m_bAutoDelete = false;

protected:
    void PostNcDestroy() override;

private:
    CDocument* m_pDocument = nullptr;
};
