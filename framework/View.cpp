// CView: its place in the command route and its link to the document.
#include "framework/View.h"
#include "framework/Document.h"

CView::~CView() {
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::SetDocument(CDocument* pDocument) {
    if (m_pDocument == pDocument)
        return;
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    m_pDocument = pDocument;
    if (m_pDocument)
        m_pDocument->AddView(this);
}

bool CView::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (OnOwnCmdMsg(nID, nCode, pExtra))
        return true;
    return m_pDocument && m_pDocument->OnCmdMsg(nID, nCode, pExtra);
}

void CView::PostNcDestroy() {
    if (m_bAutoDelete)
        delete this;
}
