// CTessarinDoc: new, open, save and close of the one document, the save-changes question and the
// ".LOG" stamp, with the view's file watch stopped while the file is being read or written.
#include "doc/TessarinDoc.h"
#include "doc/SafeSave.h"
#include "doc/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "view/TessarinView.h"
#include <new>
#include <string_view>

CTessarinView* CTessarinDoc::GetView() const {
    for (CView* pView : GetViews())
        if (auto pTessarinView = dynamic_cast<CTessarinView*>(pView))
            return pTessarinView;
    return nullptr;
}

bool CTessarinDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return false;
    CTessarinView* pView = GetView();
    if (pView) {
        pView->SetWindowText(L"");
        pView->StopFileWatch();
    }
    m_nEncoding = EncodingId::SjisAuto;
    m_nLineEnding = LineEndingId::Crlf;
    if (pView)
        pView->ClearHistory(false);
    SetModifiedFlag(false); // whatever the emptying of the control reported, a new document is unchanged
    return true;
}

bool CTessarinDoc::OnOpenDocument(const wchar_t* pszPathName) {
    CTessarinView* pView = GetView();
    if (!pView)
        return false;
    pView->StopFileWatch();
    try {
        CFile file(pszPathName, CFile::modeRead | CFile::shareDenyNone);
        EncodingId encoding = m_nReqEncoding;
        LineEndingId lineEnding = m_nReqLineEnding;
        CLocalBlock hText(DecodeFileText(file, encoding, lineEnding));
        file.Close();
        // Only a fully decoded text replaces what the control holds.
        pView->SetHandle(std::move(hText));
        m_nEncoding = encoding;
        m_nLineEnding = lineEnding;
    } catch (const CException& e) {
        ReportSaveLoadException(pszPathName, &e, false, AFX_IDP_FAILED_TO_OPEN_DOC);
        pView->StartFileWatch(GetPathName());
        return false;
    } catch (const std::bad_alloc&) {
        CMemoryException e;
        ReportSaveLoadException(pszPathName, &e, false, AFX_IDP_FAILED_TO_OPEN_DOC);
        pView->StartFileWatch(GetPathName());
        return false;
    }
    SetModifiedFlag(false);
    StampLogFile(*pView);
    ::InvalidateRect(pView->m_hWnd, nullptr, TRUE);
    pView->StartFileWatch(pszPathName);
    pView->ClearHistory(IsModified()); // the stamp is not something to undo, nor what the file holds
    return true;
}

void CTessarinDoc::StampLogFile(CTessarinView& view) {
    std::wstring strSignature = LoadStringResource(IDS_LOG_SIGNATURE);
    int nLength = view.GetTextLength();
    if (nLength < 5 || strSignature.empty())
        return;
    bool bLog = false;
    {
        CEditBufferLock text(view);
        bLog = text.Get() && std::wstring_view(text.Get(), strSignature.size()) == strSignature;
    }
    if (!bLog)
        return;
    view.SetSel(nLength, nLength, false);
    view.SendMessage(EM_SCROLLCARET);
    view.InsertDateTime(true);
}

void CTessarinDoc::SaveTarget(EncodingId& encoding, LineEndingId& lineEnding) const {
    encoding = m_nEncoding;
    lineEnding = m_nLineEnding;
    if (!m_bSaveAsConfirmed)
        return;
    // A plain Save As dialog may leave a half of the request unspecified: that half stays as the
    // file has it, so the current pair always names a real format.
    if (static_cast<int>(m_nReqEncoding) >= 0 && static_cast<int>(m_nReqEncoding) < kEncodingCount)
        encoding = m_nReqEncoding;
    if (static_cast<int>(m_nReqLineEnding) >= 0 && static_cast<int>(m_nReqLineEnding) < kLineEndingCount)
        lineEnding = m_nReqLineEnding;
}

bool CTessarinDoc::OnSaveDocument(const wchar_t* pszPathName) {
    CTessarinView* pView = GetView();
    if (!pView)
        return false;
    pView->StopFileWatch();
    EncodingId encoding;
    LineEndingId lineEnding;
    SaveTarget(encoding, lineEnding);
    try {
        // Converted and written to a new file first; the file it replaces is swapped out only once
        // the new one is complete on the disk.
        WriteFileSafely(pszPathName, [&](CFile& file) {
            size_t nLength = static_cast<size_t>(pView->GetTextLength());
            CEditBufferLock text(*pView);
            EncodeTextToFile(text.Get() ? text.Get() : L"", text.Get() ? nLength : 0, encoding, lineEnding, file);
        });
    } catch (...) {
        // The document keeps its path, pair and modified mark; the watch goes on over the file
        // it still names, which the failed save left as it was.
        pView->StartFileWatch(GetPathName());
        throw;
    }
    m_nEncoding = encoding;
    m_nLineEnding = lineEnding;
    SetModifiedFlag(false);
    pView->SetSavePoint();
    pView->StartFileWatch(pszPathName);
    return true;
}

bool CTessarinDoc::DoSave(const wchar_t* pszPathName, bool bReplace) {
    // Without a name the framework asks for one; OnSaveDocument only runs once it is confirmed,
    // so while the save runs the flag means "follows the Save As dialog".
    m_bSaveAsConfirmed = !pszPathName || !*pszPathName;
    bool bSaved = false;
    try {
        bSaved = CDocument::DoSave(pszPathName, bReplace);
    } catch (...) {
        m_bSaveAsConfirmed = false;
        throw;
    }
    m_bSaveAsConfirmed = false;
    return bSaved;
}

void CTessarinDoc::OnCloseDocument() {
    if (CTessarinView* pView = GetView())
        pView->StopFileWatch();
    CDocument::OnCloseDocument();
}

bool CTessarinDoc::SaveModified() {
    if (!IsModified())
        return true;
    std::wstring strName = GetPathName();
    if (strName.empty())
        strName = GetTitle();
    if (strName.empty())
        strName = LoadStringResource(AFX_IDS_UNTITLED);
    std::wstring strPrompt;
    AfxFormatString1(strPrompt, IDS_SAVE_CHANGES, strName);
    switch (AfxMessageBox(strPrompt, MB_YESNOCANCEL, AFX_IDP_ASK_TO_SAVE)) {
    case IDYES: return DoFileSave();
    case IDNO: return true;
    default: return false; // Cancel, or no box at all: nothing is discarded
    }
}
