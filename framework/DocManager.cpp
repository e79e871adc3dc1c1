// The default document manager: templates, plain Open and Save As dialogs, and New and Open.
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/FrameworkIds.h"
#include "framework/ModalScope.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include <commdlg.h>
#include <algorithm>
#include <vector>

namespace {

// "テキスト文書 (*.txt)\0*.txt\0すべてのファイル (*.*)\0*.*\0\0" from the template's filter fields.
std::wstring FilterFor(const CDocTemplate* pTemplate) {
    const std::wstring strAll = LoadStringResource(AFX_IDS_ALLFILTER) + L" (*.*)";
    std::wstring strName, strExt;
    if (pTemplate && pTemplate->GetDocString(strName, CDocTemplate::filterName) &&
        pTemplate->GetDocString(strExt, CDocTemplate::filterExt))
        return MakeFileFilter({{strName, L"*" + strExt}, {strAll, L"*.*"}});
    return MakeFileFilter({{strAll, L"*.*"}});
}

} // namespace

CDocManager::~CDocManager() = default;

void CDocManager::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate)
        m_templates.emplace_back(pTemplate);
}

bool CDocManager::DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                                   CDocTemplate* pTemplate) {
    if (!pTemplate)
        pTemplate = GetFirstTemplate();
    std::wstring strTitle = LoadStringResource(nIDSTitle);
    std::wstring strFilter = FilterFor(pTemplate);
    std::wstring strExt;
    if (pTemplate && pTemplate->GetDocString(strExt, CDocTemplate::filterExt) && strExt[0] == L'.')
        strExt.erase(0, 1);

    // The dialog writes into a buffer of the size we give it; the long-path limit is enough.
    std::vector<wchar_t> buffer(32768, L'\0');
    fileName.copy(buffer.data(), std::min(fileName.size(), buffer.size() - 1));

    CModalScope modal;
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = modal.Owner();
    ofn.lpstrFilter = strFilter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = strTitle.empty() ? nullptr : strTitle.c_str();
    ofn.lpstrDefExt = strExt.empty() ? nullptr : strExt.c_str();
    ofn.Flags = lFlags | OFN_EXPLORER | OFN_ENABLESIZING | (bOpenFileDialog ? 0 : OFN_OVERWRITEPROMPT);
    BOOL bOk = bOpenFileDialog ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
    if (!bOk)
        return false;
    fileName = buffer.data();
    return true;
}

void CDocManager::OnFileNew() {
    if (CDocTemplate* pTemplate = GetFirstTemplate())
        pTemplate->OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
    std::wstring strName;
    if (!DoPromptFileName(strName, AFX_IDS_OPENFILE, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, true, nullptr))
        return;
    if (CWinApp* pApp = AfxGetApp())
        pApp->OpenDocumentFile(strName.c_str());
}

CDocument* CDocManager::OpenDocumentFile(const wchar_t* pszFileName) {
    CDocTemplate* pTemplate = GetFirstTemplate();
    if (!pTemplate || !pszFileName || !*pszFileName)
        return nullptr;
    return pTemplate->OpenDocumentFile(pszFileName);
}

bool CDocManager::SaveAllModified() {
    for (auto& pTemplate : m_templates)
        if (!pTemplate->SaveAllModified())
            return false;
    return true;
}

void CDocManager::CloseAllDocuments(bool bEndSession) {
    for (auto& pTemplate : m_templates)
        pTemplate->CloseAllDocuments(bEndSession);
}
