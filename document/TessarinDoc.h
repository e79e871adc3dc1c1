#pragma once
// CTessarinDoc: the editor's one document. It owns the path and the file's encoding and line
// ending (the current pair) and the pair asked for by the next open or Save As (the requested
// pair); it reads files into the view's edit control, writes them back, stamps ".LOG" files and
// has the view watch the file for changes made elsewhere.
#include "document/Encoding.h"
#include "document/Fidelity.h"
#include "document/RecoveryKeeper.h"
#include "document/SearchOptions.h"
#include "framework/Document.h"
#include <windows.h>
#include <memory>
#include <string>

class CDocumentView;
class CFrameWnd;

class CTessarinDoc : public CDocument, private IRecoverySource {
public:
    CTessarinDoc() = default;
    ~CTessarinDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const wchar_t* pszPathName) override;
    bool OnSaveDocument(const wchar_t* pszPathName) override;
    void OnCloseDocument() override;
    SaveResult SaveModified() override;
    SaveResult DoSave(const wchar_t* pszPathName, bool bReplace = true) override;
    // Every change of the text comes here (the view's EN_CHANGE); so does every save, open, New
    // and return to the saved state, which settle the recovery snapshot.
    void SetModifiedFlag(bool bModified = true) override;

    // Recovery snapshots of unsaved changes (RecoveryKeeper.h), from now on, into strFolder (the
    // user's recovery folder when empty). The application turns them on; tests need not.
    void EnableRecovery(const std::wstring& strFolder = {});
    CRecoveryKeeper* GetRecoveryKeeper() const { return m_pRecovery.get(); }
    // Takes the text and state of a snapshot left by an instance that is gone, as a modified
    // document under its file's name and pair (the file itself is not read), and makes that
    // snapshot this instance's own.
    bool RestoreSnapshot(const RecoverySnapshot& snapshot, const std::wstring& strSnapshotFile);

    // The pair of the file as last read or written.
    void GetFileFormat(EncodingId& encoding, LineEndingId& lineEnding) const {
        encoding = m_nEncoding;
        lineEnding = m_nLineEnding;
    }
    // The pair the next open reads with and the next Save As writes; not checked.
    void SetRequestedFormat(EncodingId encoding, LineEndingId lineEnding) {
        m_nReqEncoding = encoding;
        m_nReqLineEnding = lineEnding;
    }
    void GetRequestedFormat(EncodingId& encoding, LineEndingId& lineEnding) const {
        encoding = m_nReqEncoding;
        lineEnding = m_nReqLineEnding;
    }

    CDocumentView* GetView() const;
    // The main frame, when it shows this document's view: where long work tells its progress
    // (CProgress); null for a document without a frame.
    CFrameWnd* ProgressFrame() const;

    // What the open check found: Differs() when saving the file as it was read would not give its
    // bytes back. Cleared by New, by the next open and by a save.
    const OpenCheckResult& GetOpenCheck() const { return m_openCheck; }
    // True while the open warning waits for the main window to be shown.
    bool IsOpenWarningPending() const { return m_nWarningTimer != 0; }

    // The last search's options, kept across New and Open.
    SearchOptions& GetSearchOptions() { return m_searchOptions; }
    const SearchOptions& GetSearchOptions() const { return m_searchOptions; }

private:
    // Appends the date and time when the text starts with ".LOG" and has more after it.
    void StampLogFile(CDocumentView& view);
    // Tells the user, in the status bar, that a save of this file cut short earlier was finished.
    void ShowSaveFinished(const wchar_t* pszPathName);
    // The pair a save writes: the requested one right after the Save As dialog, else the current.
    void SaveTarget(EncodingId& encoding, LineEndingId& lineEnding) const;

    // Reads the file, decodes it into the view and runs the open check; throws as decoding does.
    void ReadIntoView(const wchar_t* pszPathName, CDocumentView& view);
    // Shows the open warning once the window that owns it is on screen (not yet while start-up
    // opens the file named on the command line): a thread timer waits for that.
    void ScheduleOpenWarning();
    void CancelOpenWarning();
    static void CALLBACK OnWarningTimer(HWND, UINT, UINT_PTR nIDEvent, DWORD);
    void ShowOpenWarning();
    // The one question before a save that would lose something: characters the target encoding
    // cannot hold, and, when the file the text came from is overwritten, the open check's finding.
    // True when the save may go on.
    bool ConfirmLossySave(const wchar_t* pszPathName, CDocumentView& view, EncodingId encoding);

    // IRecoverySource: the text and state for a snapshot, and a status-bar line when none can be
    // written.
    size_t RecoveryTextLength() override;
    bool CopyRecoveryText(wchar_t* pDest, size_t nOffset, size_t nCount) override;
    void DescribeRecovery(RecoveryState& state) override;
    void ReportRecoveryProblem(RecoveryProblem problem) override;

    EncodingId m_nEncoding = EncodingId::SjisAuto;
    LineEndingId m_nLineEnding = LineEndingId::Crlf;
    EncodingId m_nReqEncoding = EncodingId::Unspecified;
    LineEndingId m_nReqLineEnding = LineEndingId::Unspecified;
    bool m_bSaveAsConfirmed = false; // set while a save that follows the Save As dialog runs
    OpenCheckResult m_openCheck;
    SearchOptions m_searchOptions;
    std::wstring m_strCheckedPath; // the file m_openCheck is about
    UINT_PTR m_nWarningTimer = 0;
    static inline CTessarinDoc* s_pWarningDoc = nullptr; // the document whose warning timer runs
    std::unique_ptr<CRecoveryKeeper> m_pRecovery;
};
