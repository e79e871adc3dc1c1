// CTessarinDoc: new, open, save and close of the one document, the save-changes question and the
// ".LOG" stamp, with the view's file watch stopped while the file is being read or written.
#include "document/TessarinDoc.h"
#include "document/Fidelity.h"
#include "document/SafeSave.h"
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FrameWnd.h"
#include "framework/Handles.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Progress.h"
#include "framework/ScopeExit.h"
#include "framework/Strings.h"
#include "framework/Utf16.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "document/DocumentView.h"
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>
#include <string_view>

namespace {

UINT ReasonStringId(FidelityReason reason) {
    switch (reason) {
    case FidelityReason::Nul: return IDS_REASON_NUL;
    case FidelityReason::MixedLineBreaks: return IDS_REASON_MIXED_BREAKS;
    case FidelityReason::InvalidBytes: return IDS_REASON_INVALID_BYTES;
    case FidelityReason::Unrepresentable: return IDS_REASON_UNREPRESENTABLE;
    case FidelityReason::EscapeSequence: return IDS_REASON_ESCAPE_SEQUENCE;
    case FidelityReason::Dropped: return IDS_REASON_DROPPED;
    default: return IDS_REASON_UNKNOWN;
    }
}

// The character itself, or a name for half a surrogate pair, which cannot be shown.
std::wstring CharacterText(const UnencodableResult& lost) {
    if (lost.bFirstIsLoneSurrogate)
        return LoadStringResource(IDS_LONE_SURROGATE);
    char32_t ch = lost.chFirst;
    if (ch < 0x10000)
        return std::wstring(1, static_cast<wchar_t>(ch));
    return {HighSurrogateOf(ch), LowSurrogateOf(ch)};
}

// The open check on the block the control is about to adopt, whose text is nDecoded units long:
// the control takes the text up to its first NUL (so a longer text means it holds less than the
// file), and reading the block here rather than through the control leaves the control's own
// buffer alone.
OpenCheckResult CheckDecodedText(HLOCAL hText, size_t nDecoded, const unsigned char* pBytes, size_t nBytes,
                                 EncodingId encoding, LineEndingId lineEnding) {
    CLocalLock text(hText);
    if (!text.Get())
        return {};
    const wchar_t* pText = static_cast<const wchar_t*>(text.Get());
    try {
        return CheckOpenedText(pBytes, nBytes, pText, wcsnlen(pText, nDecoded), nDecoded, encoding, lineEnding);
    } catch (const std::bad_alloc&) {
        return {}; // no room to compare: the text opens as it would have without the check
    }
}

} // namespace

CDocumentView* CTessarinDoc::GetView() const {
    for (CView* pView : GetViews())
        if (auto pTessarinView = dynamic_cast<CDocumentView*>(pView))
            return pTessarinView;
    return nullptr;
}

bool CTessarinDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument())
        return false;
    CDocumentView* pView = GetView();
    if (pView) {
        pView->SetWindowText(L"");
        pView->StopFileWatch();
    }
    m_nEncoding = EncodingId::SjisAuto;
    m_nLineEnding = LineEndingId::Crlf;
    CancelOpenWarning();
    m_openCheck = {};
    m_strCheckedPath.clear();
    if (pView)
        pView->ClearHistory(false);
    SetModifiedFlag(false); // whatever the emptying of the control reported, a new document is unchanged
    return true;
}

bool CTessarinDoc::OnOpenDocument(const wchar_t* pszPathName) {
    CDocumentView* pView = GetView();
    if (!pView)
        return false;
    pView->StopFileWatch();
    CancelOpenWarning(); // a failed open shows only its own error
    const bool bFinished = FinishInterruptedSave(pszPathName);
    try {
        ReadIntoView(pszPathName, *pView);
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
    if (m_openCheck.Differs())
        ScheduleOpenWarning();
    if (bFinished)
        ShowSaveFinished(pszPathName);
    return true;
}

void CTessarinDoc::ShowSaveFinished(const wchar_t* pszPathName) {
    if (auto pFrame = dynamic_cast<CFrameWnd*>(AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr))
        pFrame->SetMessageText(FormatString(IDS_SAVE_FINISHED, {AfxFullPath(pszPathName)}));
}

CFrameWnd* CTessarinDoc::ProgressFrame() const {
    // The frame that shows this document's view; tests host documents without one.
    CDocumentView* pView = GetView();
    CWinApp* pApp = AfxGetApp();
    auto* pFrame = dynamic_cast<CFrameWnd*>(pApp ? pApp->m_pMainWnd : nullptr);
    if (!pView || !pView->m_hWnd || !pFrame || !pFrame->m_hWnd || !::IsChild(pFrame->m_hWnd, pView->m_hWnd))
        return nullptr;
    return pFrame;
}

void CTessarinDoc::ReadIntoView(const wchar_t* pszPathName, CDocumentView& view) {
    CFile file(pszPathName, CFile::modeRead | CFile::shareDenyNone);
    EncodingId encoding = m_nReqEncoding;
    LineEndingId lineEnding = m_nReqLineEnding;
    CLocalBlock hText;
    OpenCheckResult check;
    // A large file's reading, decoding and check are told in the status bar as they go.
    CProgress progress(ProgressFrame());
    {
        // The file's bytes are kept for the check only, and let go before the control takes the
        // text, so the open's peak memory stays what it was.
        size_t nBytes = 0;
        CLocalBlock hBytes = ReadFileBytes(file, nBytes, &progress);
        file.Close();
        CLocalLock bytes(hBytes.Get());
        if (!bytes.Get())
            throw CMemoryException();
        size_t nDecoded = 0;
        // A large file is decoded and checked in two halves at once; one that cannot be, or whose
        // halves do not come back whole, is decoded and checked whole, which names the difference.
        // The text keeps the room the control would grow it to: the first edit does not copy it.
        hText = DecodeCheckedInHalves(bytes.Get(), nBytes, encoding, lineEnding, &progress, &nDecoded,
                                      kHalvesMinimum, true);
        if (!hText) {
            hText = DecodeFileBytes(bytes.Get(), nBytes, encoding, lineEnding, &progress, &nDecoded, true);
            CConversionProgressScope checking(&progress, IDS_PROGRESS_CHECKING);
            check = CheckDecodedText(hText.Get(), nDecoded, static_cast<const unsigned char*>(bytes.Get()), nBytes,
                                     encoding, lineEnding);
        }
    }
    progress.Step(IDS_PROGRESS_SHOWING, 0, 0);
    // Only a fully decoded text replaces what the control holds.
    view.SetHandle(std::move(hText));
    m_nEncoding = encoding;
    m_nLineEnding = lineEnding;
    m_openCheck = check;
    m_strCheckedPath = AfxFullPath(pszPathName);
}

void CTessarinDoc::ScheduleOpenWarning() {
    CancelOpenWarning();
    s_pWarningDoc = this;
    m_nWarningTimer = ::SetTimer(nullptr, 0, 50, &CTessarinDoc::OnWarningTimer);
    if (!m_nWarningTimer)
        s_pWarningDoc = nullptr;
}

void CTessarinDoc::CancelOpenWarning() {
    if (m_nWarningTimer)
        ::KillTimer(nullptr, m_nWarningTimer);
    m_nWarningTimer = 0;
    if (s_pWarningDoc == this)
        s_pWarningDoc = nullptr;
}

void CALLBACK CTessarinDoc::OnWarningTimer(HWND, UINT, UINT_PTR nIDEvent, DWORD) {
    CTessarinDoc* pDoc = s_pWarningDoc;
    if (!pDoc || pDoc->m_nWarningTimer != nIDEvent) {
        ::KillTimer(nullptr, nIDEvent);
        return;
    }
    // Start-up opens the file named on the command line before the main window is shown, and a
    // box owned by a hidden window would come up on its own; wait, too, while another modal box
    // or dialog has the window disabled.
    CDocumentView* pView = pDoc->GetView();
    HWND hRoot = pView && pView->m_hWnd ? ::GetAncestor(pView->m_hWnd, GA_ROOT) : nullptr;
    if (!hRoot || !::IsWindowVisible(hRoot) || !::IsWindowEnabled(hRoot))
        return;
    pDoc->CancelOpenWarning();
    // The box's own message loop runs no idle pass: bring the status bar up to date first, so the
    // encoding and line ending the warning speaks of show behind it.
    if (CWinApp* pApp = AfxGetApp())
        pApp->OnIdle(0);
    pDoc->ShowOpenWarning();
}

void CTessarinDoc::ShowOpenWarning() {
    std::wstring strText =
        FormatString(IDS_OPEN_NOT_FAITHFUL, {m_strCheckedPath, LoadStringResource(ReasonStringId(m_openCheck.reason)),
                                             std::to_wstring(m_openCheck.nLine), std::to_wstring(m_openCheck.nColumn)});
    AfxMessageBox(strText, MB_OK | MB_ICONWARNING, 0);
}

void CTessarinDoc::StampLogFile(CDocumentView& view) {
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
    CDocumentView* pView = GetView();
    if (!pView)
        return false;
    pView->StopFileWatch();
    EncodingId encoding;
    LineEndingId lineEnding;
    SaveTarget(encoding, lineEnding);
    try {
        if (!ConfirmLossySave(pszPathName, *pView, encoding)) {
            // Nothing written: the document keeps its path, pair and modified mark, and the
            // framework takes the false as "not saved" (no error box; a pending exit, New or Open
            // stops).
            pView->StartFileWatch(GetPathName());
            return false;
        }
        if (FinishInterruptedSave(pszPathName))
            ShowSaveFinished(pszPathName);
        // Converted and written to a new file first; the file it replaces is swapped out only once
        // the new one is complete on the disk.
        // A large file's conversion and writing are told in the status bar as they go.
        CProgress progress(ProgressFrame());
        WriteFileSafely(pszPathName, [&](CFile& file) {
            size_t nLength = static_cast<size_t>(pView->GetTextLength());
            CEditBufferLock text(*pView);
            EncodeTextToFile(text.Get() ? text.Get() : L"", text.Get() ? nLength : 0, encoding, lineEnding, file,
                             &progress);
        });
    } catch (const CSaveCopyKeptException& e) {
        // The file could only be rewritten in place, and that failed: the user must learn where
        // the copy of the old contents is.
        pView->StartFileWatch(GetPathName());
        AfxMessageBox(e.GetErrorMessage() + L"\n\n" + FormatString(IDS_SAVE_COPY_KEPT, {e.m_strCopyPath}),
                      MB_OK | MB_ICONEXCLAMATION, 0);
        return false;
    } catch (...) {
        // The document keeps its path, pair and modified mark; the watch goes on over the file
        // it still names, which the failed save left as it was.
        pView->StartFileWatch(GetPathName());
        throw;
    }
    m_nEncoding = encoding;
    m_nLineEnding = lineEnding;
    // The file now holds what the document wrote; what the open found is about a file that is gone.
    CancelOpenWarning();
    m_openCheck = {};
    m_strCheckedPath.clear();
    SetModifiedFlag(false);
    pView->SetSavePoint();
    pView->StartFileWatch(pszPathName);
    return true;
}

bool CTessarinDoc::ConfirmLossySave(const wchar_t* pszPathName, CDocumentView& view, EncodingId encoding) {
    UnencodableResult lost;
    {
        size_t nText = static_cast<size_t>(view.GetTextLength());
        CEditBufferLock text(view);
        if (text.Get())
            lost = FindUnencodable(text.Get(), nText, encoding);
    }
    std::wstring strTarget = AfxFullPath(pszPathName);
    bool bOverwritesChecked = m_openCheck.Differs() && AfxSameFile(strTarget, m_strCheckedPath);
    if (lost.nCount == 0 && !bOverwritesChecked)
        return true;
    CancelOpenWarning(); // the question says all the warning would have said

    std::wstring strText = strTarget;
    if (bOverwritesChecked)
        strText += L"\n\n" + FormatString(IDS_SAVE_OPEN_MISMATCH,
                                          {LoadStringResource(ReasonStringId(m_openCheck.reason)),
                                           std::to_wstring(m_openCheck.nLine), std::to_wstring(m_openCheck.nColumn)});
    if (lost.nCount) {
        wchar_t szCode[16] = {};
        std::swprintf(szCode, 16, L"%04X", static_cast<unsigned>(lost.chFirst));
        strText +=
            L"\n\n" + FormatString(IDS_SAVE_UNENCODABLE,
                                   {EncodingSaveName(encoding), std::to_wstring(lost.nCount), CharacterText(lost),
                                    szCode, std::to_wstring(lost.nLine), std::to_wstring(lost.nColumn)});
    }
    strText += L"\n\n" + LoadStringResource(IDS_SAVE_ASK);
    if (lost.nCount)
        strText += L"\n\n" + LoadStringResource(IDS_SAVE_UNICODE_HINT);
    // No is the default button: a hurried Enter writes nothing.
    return AfxMessageBox(strText, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, 0) == IDYES;
}

SaveResult CTessarinDoc::DoSave(const wchar_t* pszPathName, bool bReplace) {
    // Without a name the framework asks for one; OnSaveDocument only runs once it is confirmed,
    // so while the save runs the flag means "follows the Save As dialog".
    m_bSaveAsConfirmed = !pszPathName || !*pszPathName;
    CScopeExit reset([this] { m_bSaveAsConfirmed = false; });
    return CDocument::DoSave(pszPathName, bReplace);
}

CTessarinDoc::~CTessarinDoc() {
    CancelOpenWarning();
}

void CTessarinDoc::OnCloseDocument() {
    // Closing the document is the end of a clean run: its changes were saved or given up.
    if (m_pRecovery)
        m_pRecovery->Shutdown();
    CancelOpenWarning();
    if (CDocumentView* pView = GetView())
        pView->StopFileWatch();
    CDocument::OnCloseDocument();
}

SaveResult CTessarinDoc::SaveModified() {
    if (!IsModified())
        return SaveResult::Saved;
    std::wstring strName = GetPathName();
    if (strName.empty())
        strName = GetTitle();
    if (strName.empty())
        strName = LoadStringResource(AFX_IDS_UNTITLED);
    SaveResult result = AskSaveChanges(IDS_SAVE_CHANGES, strName, [this] { return DoFileSave(); });
    // Still modified after the question let the action go on: the user chose not to save.
    if (result == SaveResult::Saved && IsModified() && m_pRecovery)
        m_pRecovery->Settled();
    return result;
}

void CTessarinDoc::SetModifiedFlag(bool bModified) {
    CDocument::SetModifiedFlag(bModified);
    if (!m_pRecovery)
        return;
    if (bModified)
        m_pRecovery->Changed();
    else
        m_pRecovery->Settled();
}

void CTessarinDoc::EnableRecovery(const std::wstring& strFolder) {
    if (m_pRecovery)
        return;
    m_pRecovery = std::make_unique<CRecoveryKeeper>(static_cast<IRecoverySource&>(*this), strFolder);
    if (IsModified()) // a ".LOG" file stamped at start-up
        m_pRecovery->Changed();
}

bool CTessarinDoc::RestoreSnapshot(const RecoverySnapshot& snapshot, const std::wstring& strSnapshotFile) {
    CDocumentView* pView = GetView();
    if (!pView)
        return false;
    const std::wstring& strText = snapshot.strText;
    CLocalBlock hText(::LocalAlloc(LMEM_MOVEABLE, (strText.size() + 1) * sizeof(wchar_t)));
    {
        CLocalLock text(hText.Get());
        if (!text.Get())
            return false;
        auto* p = static_cast<wchar_t*>(text.Get());
        std::copy(strText.begin(), strText.end(), p);
        p[strText.size()] = L'\0';
    }
    pView->StopFileWatch();
    CancelOpenWarning();
    m_openCheck = {};
    m_strCheckedPath.clear();
    pView->SetHandle(std::move(hText));
    m_nEncoding = snapshot.state.encoding;
    m_nLineEnding = snapshot.state.lineEnding;
    if (!snapshot.state.strPath.empty())
        SetPathName(snapshot.state.strPath, false);
    pView->ClearHistory(true);
    SetModifiedFlag(true);
    pView->SetSel(snapshot.state.nSelStart, snapshot.state.nSelEnd, true);
    ::InvalidateRect(pView->m_hWnd, nullptr, TRUE);
    pView->StartFileWatch(GetPathName());
    // The snapshot becomes this instance's: there is one on disk at every moment.
    if (m_pRecovery)
        m_pRecovery->Adopt(strSnapshotFile);
    return true;
}

size_t CTessarinDoc::RecoveryTextLength() {
    CDocumentView* pView = GetView();
    return pView && pView->m_hWnd ? static_cast<size_t>(pView->GetTextLength()) : 0;
}

bool CTessarinDoc::CopyRecoveryText(wchar_t* pDest, size_t nOffset, size_t nCount) {
    CDocumentView* pView = GetView();
    if (!pView || !pView->m_hWnd || static_cast<size_t>(pView->GetTextLength()) < nOffset + nCount)
        return false;
    if (!nCount)
        return true;
    CEditBufferLock text(*pView);
    if (!text.Get())
        return false;
    std::memcpy(pDest, text.Get() + nOffset, nCount * sizeof(wchar_t));
    return true;
}

void CTessarinDoc::DescribeRecovery(RecoveryState& state) {
    state.strPath = GetPathName();
    state.encoding = m_nEncoding;
    state.lineEnding = m_nLineEnding;
    state.bModified = IsModified();
    if (CDocumentView* pView = GetView(); pView && pView->m_hWnd)
        pView->GetSel(state.nSelStart, state.nSelEnd);
}

void CTessarinDoc::ReportRecoveryProblem(RecoveryProblem problem) {
    if (CFrameWnd* pFrame = GetFirstFrame())
        pFrame->SetMessageText(
            LoadStringResource(problem == RecoveryProblem::NoSpace ? IDS_RECOVERY_NO_SPACE : IDS_RECOVERY_NOT_WRITABLE));
}
