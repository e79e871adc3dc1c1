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

bool CView::CreateView(HWND hParent, UINT nID, const RECT& rect) {
    std::wstring strClass =
        RegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CreateEx(WS_EX_CLIENTEDGE, strClass.c_str(), L"", WS_CHILD | WS_VISIBLE, rect, hParent, nID);
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
