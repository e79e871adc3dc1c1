// CDocument: the view list, path and title, and the framework's side of new, open, save, close
// and the save-changes question.
#include "framework/Document.h"
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include "framework/DocTemplate.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include <algorithm>
#include <new>

namespace {

// The name the shell shows for the file; the last part of the path when the shell cannot say
// (a file that is not there yet, a folder that has gone).
std::wstring DisplayName(const std::wstring& path) {
    SHFILEINFOW info{};
    if (::SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) && info.szDisplayName[0])
        return info.szDisplayName;
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

CFrameWnd* FrameOf(const CView* pView) {
    if (!pView || !pView->m_hWnd)
        return nullptr;
    return dynamic_cast<CFrameWnd*>(CWnd::FromHandle(::GetParent(pView->m_hWnd)));
}

} // namespace

CDocument::~CDocument() {
    for (CView* pView : std::vector<CView*>(m_views))
        pView->SetDocument(nullptr);
}

void CDocument::AddView(CView* pView) {
    if (pView && std::find(m_views.begin(), m_views.end(), pView) == m_views.end())
        m_views.push_back(pView);
}

void CDocument::RemoveView(CView* pView) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), pView), m_views.end());
}

CFrameWnd* CDocument::GetFirstFrame() const {
    for (CView* pView : m_views)
        if (CFrameWnd* pFrame = FrameOf(pView))
            return pFrame;
    return nullptr;
}

void CDocument::SetPathName(const std::wstring& strPathName, bool) {
    m_strPathName = AfxFullPath(strPathName);
    SetTitle(DisplayName(m_strPathName));
}

void CDocument::SetTitle(const std::wstring& strTitle) {
    m_strTitle = strTitle;
    UpdateFrameTitles();
}

void CDocument::UpdateFrameTitles() const {
    for (CView* pView : m_views)
        if (CFrameWnd* pFrame = FrameOf(pView))
            pFrame->OnUpdateFrameTitle(true);
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const wchar_t*) {
    DeleteContents();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const wchar_t*) {
    SetModifiedFlag(false);
    return true;
}

void CDocument::OnCloseDocument() {
    // The frames go first, with the document kept alive while their views leave it.
    bool bAutoDelete = m_bAutoDelete;
    m_bAutoDelete = false;
    std::vector<CFrameWnd*> frames;
    for (CView* pView : m_views)
        if (CFrameWnd* pFrame = FrameOf(pView);
            pFrame && std::find(frames.begin(), frames.end(), pFrame) == frames.end())
            frames.push_back(pFrame);
    for (CFrameWnd* pFrame : frames)
        pFrame->DestroyWindow();
    m_bAutoDelete = bAutoDelete;
    DeleteContents();
    if (m_bAutoDelete) {
        if (m_pDocTemplate)
            m_pDocTemplate->RemoveDocument(this);
        delete this;
    }
}

SaveResult AskSaveChanges(UINT nIDPrompt, const std::wstring& strName, const std::function<SaveResult()>& fnSave) {
    switch (AfxMessageBox(FormatString(nIDPrompt, {strName}), MB_YESNOCANCEL, AFX_IDP_ASK_TO_SAVE)) {
    case IDYES: return fnSave();
    case IDNO: return SaveResult::Saved;
    default: return SaveResult::Cancelled; // Cancel, or a box that could not be shown: keep the changes
    }
}

SaveResult CDocument::SaveModified() {
    if (!IsModified())
        return SaveResult::Saved;
    const std::wstring strName = m_strTitle.empty() ? LoadStringResource(AFX_IDS_UNTITLED) : m_strTitle;
    return AskSaveChanges(AFX_IDP_ASK_TO_SAVE, strName, [this] { return DoFileSave(); });
}

SaveResult CDocument::DoFileSave() {
    // INVALID_FILE_ATTRIBUTES has the read-only bit too: a file that is gone is saved through
    // the dialog as well.
    DWORD dwAttributes = ::GetFileAttributesW(m_strPathName.c_str());
    if (m_strPathName.empty() || (dwAttributes & FILE_ATTRIBUTE_READONLY))
        return DoSave(nullptr);
    return DoSave(m_strPathName.c_str());
}

SaveResult CDocument::DoSave(const wchar_t* pszPathName, bool bReplace) {
    std::wstring strNewName = pszPathName ? pszPathName : L"";
    if (strNewName.empty()) {
        strNewName = m_strPathName;
        if (bReplace && strNewName.empty()) {
            // Propose the title, cut at anything that cannot be part of a file name, with the
            // template's extension.
            strNewName = m_strTitle.substr(0, m_strTitle.find_first_of(L":/\\"));
            std::wstring strExt;
            if (m_pDocTemplate && m_pDocTemplate->GetDocString(strExt, CDocTemplate::filterExt) && !strExt.empty())
                strNewName += strExt;
        }
        CWinApp* pApp = AfxGetApp();
        if (!pApp || !pApp->DoPromptFileName(strNewName, AFX_IDS_SAVEFILE, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, false,
                                             m_pDocTemplate))
            return SaveResult::Cancelled;
    }
    // A failed save leaves whatever file was there alone: the safe writer has kept it intact, and
    // it may hold the user's only other copy of the text (so it is never deleted here).
    try {
        if (!OnSaveDocument(strNewName.c_str()))
            return SaveResult::Cancelled;
    } catch (const CException& e) {
        ReportSaveLoadException(strNewName.c_str(), &e, true, AFX_IDP_FAILED_TO_SAVE_DOC);
        return SaveResult::Failed;
    } catch (const std::bad_alloc&) {
        CMemoryException e;
        ReportSaveLoadException(strNewName.c_str(), &e, true, AFX_IDP_FAILED_TO_SAVE_DOC);
        return SaveResult::Failed;
    }
    if (bReplace)
        SetPathName(strNewName);
    return SaveResult::Saved;
}

void CDocument::ReportSaveLoadException(const wchar_t* pszPathName, const CException* pError, bool, UINT nIDPDefault) {
    std::wstring strPath = pszPathName ? pszPathName : L"";
    std::wstring strText;
    if (auto pFileError = dynamic_cast<const CFileException*>(pError)) {
        CFileException named(*pFileError);
        if (named.m_strFileName.empty())
            named.m_strFileName = strPath;
        strText = named.GetErrorMessage();
    } else if (auto pArchiveError = dynamic_cast<const CArchiveException*>(pError)) {
        CArchiveException named(*pArchiveError);
        if (named.m_strFileName.empty())
            named.m_strFileName = strPath;
        strText = named.GetErrorMessage();
    } else if (pError) {
        strText = pError->GetErrorMessage();
    }
    if (strText.empty())
        strText = FormatString(nIDPDefault, {strPath});
    AfxMessageBox(strText, MB_ICONEXCLAMATION, nIDPDefault);
}

bool CDocument::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_FILE_SAVE: return Handle(nCode, pExtra, [this] { OnFileSave(); });
    case ID_FILE_SAVE_AS: return Handle(nCode, pExtra, [this] { OnFileSaveAs(); });
    default: return CCmdTarget::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
