#pragma once
// CView: a child window that shows a document. Commands reach the view first and go on to its
// document when the view does not handle them.
#include "framework/Wnd.h"

class CDocument;

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

    // When set, the object deletes itself once its window is gone (views made with new).
    bool m_bAutoDelete = false;

protected:
    void PostNcDestroy() override;

private:
    CDocument* m_pDocument = nullptr;
};
