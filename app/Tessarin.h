#pragma once
// CTessarinApp: brings the editor up (framework, registry key, document template, shell
// registration, command line, missing-file question) and owns the one open operation, under which
// opening the open document's own path reloads it. Drives the status panes on idle passes.
#include "document/RecoveryFile.h"
#include "framework/WinApp.h"
#include <string>
#include <vector>

class CMainFrame;
class CTessarinDoc;

class CTessarinApp : public CWinApp {
public:
    CTessarinApp() = default;

    BOOL InitInstance() override;
    BOOL OnIdle(LONG lCount) override;
    // The program's own splitting: flags first, then the whole rest of the line as one file name.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo) override;
    CDocument* OpenDocumentFile(const wchar_t* pszFileName) override;
    // The property-sheet print dialog (PrintDlgExW), tried once more without the stored printer
    // when it cannot be shown; OK only when the user chose Print.
    bool DoPrintDialog(CPrintInfo* pInfo) override;

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

private:
    CMainFrame* GetMainFrame() const;
    // Reads the open document's file again; a failure leaves the document as it was.
    CDocument* ReloadDocument(CDocument& doc, const std::wstring& strPath);
    // The named file was not found: ask whether to create it. False when the user cancelled.
    bool OfferToCreateMissingFile(const std::wstring& strFileName);
    // The restore dialog over the left-behind snapshots; true when one was restored into doc.
    bool OfferRecovery(CTessarinDoc& doc, std::vector<ClaimedSnapshot>& orphans);
    // A file named on the command line after a restore opens in a window of its own.
    void OpenInNewInstance(const std::wstring& strFileName);
};
