// CDocument's view list: a view that goes away leaves the list, a document that goes away lets
// its views forget it.
#include "framework/Document.h"
#include "framework/View.h"
#include <algorithm>

CDocument::~CDocument() {
    for (CView* pView : std::vector<CView*>(m_views))
        pView->SetDocument(nullptr);
}

void CDocument::AddView(CView* pView) {
    if (pView && std::find(m_views.begin(), m_views.end(), pView) == m_views.end())
        m_views.push_back(pView);
}

void CDocument::RemoveView(CView* pView) { m_views.erase(std::remove(m_views.begin(), m_views.end(), pView), m_views.end()); }
