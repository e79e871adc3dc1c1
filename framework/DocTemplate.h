#pragma once
// CDocTemplate: binds a document class to its frame and view classes and to one resource id (menu,
// accelerators, icon and the document string). CSingleDocTemplate keeps one document at a time,
// reused by New and Open.
#include "framework/CmdTarget.h"
#include <functional>
#include <string>

class CDocument;
class CFrameWnd;
class CView;
class CDocTemplate;

// What a frame needs to create its view: the view's class and the document it shows.
struct CCreateContext {
    std::function<CView*()> m_pNewViewClass;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};

class CDocTemplate : public CCmdTarget {
public:
    // The fields of the document string, in their order.
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    CDocTemplate(UINT nIDResource, std::function<CDocument*()> newDoc, std::function<CFrameWnd*()> newFrame,
                 std::function<CView*()> newView);

    // Field i of string nIDResource ("\n" separates the fields); false when the field is empty or absent.
    bool GetDocString(std::wstring& str, DocStringIndex i) const;

    // Opens the file in a document of this template (null: a new document); null on failure.
    virtual CDocument* OpenDocumentFile(const wchar_t* pszPathName, bool bMakeVisible = true) = 0;
    // The template's document, or null while there is none.
    virtual CDocument* GetOnlyDoc() const = 0;
    virtual void AddDocument(CDocument* pDoc);
    virtual void RemoveDocument(CDocument* pDoc);

    // Asks each document to save its changes; false as soon as one says stop.
    virtual bool SaveAllModified();
    virtual void CloseAllDocuments(bool bEndSession);
    // "無題" unless the document string names the document.
    virtual void SetDefaultTitle(CDocument* pDoc);

    CDocument* CreateNewDocument();

protected:
    // A new frame for the document, its view created through the context; null on failure.
    CFrameWnd* CreateNewFrame(CDocument* pDoc);
    void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, bool bMakeVisible = true);

    UINT m_nIDResource;
    std::function<CDocument*()> m_newDoc;
    std::function<CFrameWnd*()> m_newFrame;
    std::function<CView*()> m_newView;
};

class CSingleDocTemplate : public CDocTemplate {
public:
    using CDocTemplate::CDocTemplate;
    ~CSingleDocTemplate() override;

    CDocument* OpenDocumentFile(const wchar_t* pszPathName, bool bMakeVisible = true) override;
    CDocument* GetOnlyDoc() const override { return m_pOnlyDoc; }
    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;

private:
    CDocument* m_pOnlyDoc = nullptr;
};
