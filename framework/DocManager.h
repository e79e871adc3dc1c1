#pragma once
// CDocManager: the application's document templates, the Open and Save As file prompts, and the
// New and Open commands. The program may install a manager of its own with other dialogs.
#include "framework/DocTemplate.h"
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

class CDocument;

class CDocManager {
public:
    CDocManager() = default;
    CDocManager(const CDocManager&) = delete;
    CDocManager& operator=(const CDocManager&) = delete;
    virtual ~CDocManager();

    // The manager owns the templates it is given.
    void AddDocTemplate(CDocTemplate* pTemplate);
    CDocTemplate* GetFirstTemplate() const { return m_templates.empty() ? nullptr : m_templates.front().get(); }

    // Asks for a file name with the Open (bOpenFileDialog) or Save As dialog, titled with string
    // nIDSTitle, starting from fileName; true when the user confirmed a name, now in fileName.
    virtual bool DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                                  CDocTemplate* pTemplate);
    virtual void OnFileNew();
    virtual void OnFileOpen();
    // Opens the file (its full path) in the first template's document; null on failure.
    virtual CDocument* OpenDocumentFile(const wchar_t* pszFileName);
    virtual bool SaveAllModified();
    virtual void CloseAllDocuments(bool bEndSession);

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
};
