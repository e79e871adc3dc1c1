// The document templates: document strings, frame creation, and the single-document open that
// reuses its one document for New and Open.
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include <utility>

CDocTemplate::CDocTemplate(UINT nIDResource, std::function<CDocument*()> newDoc, std::function<CFrameWnd*()> newFrame,
                           std::function<CView*()> newView)
    : m_nIDResource(nIDResource), m_newDoc(std::move(newDoc)), m_newFrame(std::move(newFrame)),
      m_newView(std::move(newView)) {}

bool CDocTemplate::GetDocString(std::wstring& str, DocStringIndex i) const {
    str = DocStringField(LoadStringResource(m_nIDResource), i);
    return !str.empty();
}

void CDocTemplate::AddDocument(CDocument* pDoc) {
    pDoc->SetDocTemplate(this);
}

void CDocTemplate::RemoveDocument(CDocument* pDoc) {
    if (pDoc->GetDocTemplate() == this)
        pDoc->SetDocTemplate(nullptr);
}

bool CDocTemplate::SaveAllModified() {
    CDocument* pDoc = GetOnlyDoc();
    return !pDoc || pDoc->SaveModified() == SaveResult::Saved;
}

void CDocTemplate::CloseAllDocuments(bool) {
    if (CDocument* pDoc = GetOnlyDoc())
        pDoc->OnCloseDocument();
}

void CDocTemplate::SetDefaultTitle(CDocument* pDoc) {
    std::wstring strTitle;
    if (!GetDocString(strTitle, docName))
        strTitle = LoadStringResource(AFX_IDS_UNTITLED);
    pDoc->SetTitle(strTitle);
}

CDocument* CDocTemplate::CreateNewDocument() {
    CDocument* pDoc = m_newDoc ? m_newDoc() : nullptr;
    if (pDoc)
        AddDocument(pDoc);
    return pDoc;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc) {
    CCreateContext context;
    context.m_pNewViewClass = m_newView;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewDocTemplate = this;
    CFrameWnd* pFrame = m_newFrame ? m_newFrame() : nullptr;
    if (!pFrame)
        return nullptr;
    // Made with new: the frame deletes itself when its window goes, also when creation fails
    // after the window existed.
    pFrame->m_bAutoDelete = true;
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, &context))
        return nullptr;
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, bool bMakeVisible) {
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

CSingleDocTemplate::~CSingleDocTemplate() {
    if (CDocument* pDoc = std::exchange(m_pOnlyDoc, nullptr)) {
        pDoc->SetDocTemplate(nullptr);
        delete pDoc;
    }
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc) {
    m_pOnlyDoc = pDoc;
    CDocTemplate::AddDocument(pDoc);
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc) {
    if (m_pOnlyDoc == pDoc)
        m_pOnlyDoc = nullptr;
    CDocTemplate::RemoveDocument(pDoc);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const wchar_t* pszPathName, bool bMakeVisible) {
    CDocument* pDoc = m_pOnlyDoc;
    CFrameWnd* pFrame = nullptr;
    bool bCreated = false;
    if (pDoc) {
        if (pDoc->SaveModified() != SaveResult::Saved)
            return nullptr; // the user kept the document as it is
        pFrame = pDoc->GetFirstFrame();
    } else {
        pDoc = CreateNewDocument();
        if (!pDoc)
            return nullptr;
        bCreated = true;
    }
    if (!pFrame) {
        bool bAutoDelete = pDoc->m_bAutoDelete;
        pDoc->m_bAutoDelete = false; // a failing frame must not take the document with it
        pFrame = CreateNewFrame(pDoc);
        pDoc->m_bAutoDelete = bAutoDelete;
        if (!pFrame) {
            if (bCreated) {
                RemoveDocument(pDoc);
                delete pDoc;
            }
            return nullptr;
        }
    }

    if (!pszPathName || !*pszPathName) {
        SetDefaultTitle(pDoc);
        if (!pDoc->OnNewDocument()) {
            if (bCreated)
                pFrame->DestroyWindow();
            return nullptr;
        }
    } else {
        bool bWasModified = pDoc->IsModified();
        pDoc->SetModifiedFlag(false);
        if (!pDoc->OnOpenDocument(pszPathName)) {
            if (bCreated) {
                pFrame->DestroyWindow();
            } else {
                // The document keeps the text it had and says it is modified if it was before, so
                // the changes are still asked about. It is never emptied here: the open may have
                // failed before the text was touched.
                pDoc->SetModifiedFlag(bWasModified || pDoc->IsModified());
            }
            return nullptr;
        }
        pDoc->SetPathName(pszPathName);
    }

    CWinApp* pApp = AfxGetApp();
    if (bCreated && pApp && !pApp->m_pMainWnd)
        pApp->m_pMainWnd = pFrame;
    InitialUpdateFrame(pFrame, pDoc, bMakeVisible);
    return pDoc;
}
