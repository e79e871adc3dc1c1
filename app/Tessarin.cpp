// CTessarinApp: start-up in its fixed order, the command line copied from the program's own
// splitting, the missing-file question, the reload rule of the open operation and the idle refresh.
#include "app/Tessarin.h"
#include "app/AboutDlg.h"
#include "app/CommandLine.h"
#include "app/ExceptionReport.h"
#include "app/MainFrm.h"
#include "app/RecoveryDlg.h"
#include "document/RecoveryFile.h"
#include "document/TessarinDoc.h"
#include "document/TessarinDocManager.h"
#include "framework/ContextHelp.h"
#include "framework/CommandLineInfo.h"
#include "framework/DocTemplate.h"
#include "framework/File.h"
#include "framework/FrameworkIds.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/ModalScope.h"
#include "framework/PrintInfo.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "view/TessarinView.h"
#include <commctrl.h>
#include <commdlg.h>
#include <algorithm>

namespace {
// What the framework's file finder answers: does a find-first-file on the name find anything.
bool FindFile(const std::wstring& strName) {
    WIN32_FIND_DATAW data{};
    CFindHandle hFind(::FindFirstFileW(strName.c_str(), &data));
    return static_cast<bool>(hFind);
}
} // namespace

BOOL CTessarinApp::InitInstance() {
    // Before any window exists: an exception that escapes a handler is told to the user, not
    // swallowed by the framework's guard at the window procedure.
    InstallExceptionReporter();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    CWinApp::InitInstance();
    AfxOleInit(); // the view's drop target needs it; start-up goes on without it
    SetRegistryKey(IDS_REGISTRY_KEY);
    SetContextHelpFont(LoadStringResource(IDS_HELP_POPUP_FONT));
    SetPrintTexts(PrintTexts{IDS_PRINT_PRINTING, IDS_PRINT_PAGE, IDS_PRINT_CANCEL, IDS_PRINT_NO_PRINTER,
                             IDS_PRINT_FAILED, IDS_PREVIEW_PRINT, IDS_PREVIEW_NEXT, IDS_PREVIEW_PREV,
                             IDS_PREVIEW_ONE_PAGE, IDS_PREVIEW_TWO_PAGES, IDS_PREVIEW_ZOOM_IN, IDS_PREVIEW_ZOOM_OUT,
                             IDS_PREVIEW_CLOSE, IDS_PREVIEW_PAGE_COUNT});
    // Our Open and Save As dialogs with the encoding lists; installed before any template is added.
    m_pDocManager = std::make_unique<CTessarinDocManager>();

    auto* pTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, [] { return static_cast<CDocument*>(new CTessarinDoc); },
        [] { return static_cast<CFrameWnd*>(new CMainFrame); }, [] { return static_cast<CView*>(new CTessarinView); });
    AddDocTemplate(pTemplate);
    EnableShellOpen();
    RegisterShellFileTypes(true);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        std::erase(cmdInfo.m_strFileName, L'"');
    // Unsaved documents of instances that are gone come before anything else; a file named on the
    // command line waits until they are dealt with. Printing and the shell's other requests are
    // not a user's session and leave them for the next start.
    std::vector<ClaimedSnapshot> orphans;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileNew || cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        orphans = ClaimOrphanSnapshots(RecoveryFolder());
    std::wstring strDeferred;
    if (!orphans.empty() && cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        strDeferred = cmdInfo.m_strFileName;
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    }
    bool bMissing = false;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen && !FindFile(cmdInfo.m_strFileName)) {
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
        bMissing = true;
    }
    // The window comes up first, empty, and the file named on the command line is read into it
    // then: a large file's reading is told in the status bar rather than keeping the screen blank.
    // A file that cannot be read ends the program after its message, as it always has.
    std::wstring strOpenAfterShow;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen) {
        strOpenAfterShow = cmdInfo.m_strFileName;
        cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    }
    if (!ProcessShellCommand(cmdInfo) || !m_pMainWnd)
        return FALSE;

    HWND hWndMain = m_pMainWnd->m_hWnd;
    ::ShowWindow(hWndMain, SW_SHOW);
    ::UpdateWindow(hWndMain);
    if (!strOpenAfterShow.empty() && !OpenDocumentFile(strOpenAfterShow.c_str()))
        return FALSE;
    CTessarinDoc* pDoc = GetMainFrame() ? dynamic_cast<CTessarinDoc*>(GetMainFrame()->GetActiveDocument()) : nullptr;
    if (pDoc)
        pDoc->EnableRecovery();
    ::DragAcceptFiles(hWndMain, TRUE);

    if (!orphans.empty()) {
        bool bRestored = pDoc && OfferRecovery(*pDoc, orphans);
        orphans.clear(); // the others are let go: for the next start, or for another instance
        if (!strDeferred.empty()) {
            if (bRestored)
                OpenInNewInstance(strDeferred); // one document per window: the restored one stays here
            else if (FindFile(strDeferred))
                OpenDocumentFile(strDeferred.c_str());
            else {
                bMissing = true;
                cmdInfo.m_strFileName = strDeferred;
            }
        }
    }

    BOOL bResult = TRUE;
    if (bMissing && !OfferToCreateMissingFile(cmdInfo.m_strFileName))
        bResult = FALSE;
    if (CMainFrame* pFrame = GetMainFrame(); pFrame && pFrame->GetActiveView())
        pFrame->GetActiveView()->SetFocus();
    return bResult;
}

bool CTessarinApp::OfferToCreateMissingFile(const std::wstring& strFileName) {
    std::wstring strText = FormatString(IDS_CREATE_MISSING_FILE, {strFileName});
    std::wstring strCaption = LoadStringResource(IDS_DISPLAY_NAME);
    int nAnswer = IDCANCEL;
    {
        CModalScope modal;
        nAnswer =
            ::MessageBoxW(modal.Owner(), strText.c_str(), strCaption.c_str(), MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    }
    if (nAnswer == IDCANCEL)
        return false;
    if (nAnswer == IDYES) {
        try {
            CFile file(strFileName, CFile::modeCreate | CFile::modeWrite);
        } catch (const CFileException&) {
            return true; // not creatable: the untitled document stays, without a word
        }
        OpenDocumentFile(strFileName.c_str());
    }
    return true;
}

bool CTessarinApp::OfferRecovery(CTessarinDoc& doc, std::vector<ClaimedSnapshot>& orphans) {
    CRecoveryDlg dlg(orphans, m_pMainWnd);
    if (dlg.DoModal() != IDOK || dlg.m_nChosen < 0)
        return false;
    const ClaimedSnapshot& chosen = orphans[static_cast<size_t>(dlg.m_nChosen)];
    uint64_t nChars = 0;
    std::optional<RecoverySnapshot> snap = RecoveryFormat::Read(chosen.strFile, true, nChars);
    return snap && doc.RestoreSnapshot(*snap, chosen.strFile);
}

void CTessarinApp::OpenInNewInstance(const std::wstring& strFileName) {
    std::wstring strExe(32768, L'\0');
    strExe.resize(::GetModuleFileNameW(nullptr, strExe.data(), static_cast<DWORD>(strExe.size())));
    std::wstring strCommandLine = L"\"" + strExe + L"\" " + strFileName;
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(strExe.c_str(), strCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        AfxMessageBox(FormatString(IDS_RECOVERY_OPEN_FAILED, {strFileName}), MB_OK | MB_ICONEXCLAMATION, 0);
        return;
    }
    CKernelHandle hProcess(pi.hProcess), hThread(pi.hThread);
}

void CTessarinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    ParsedCommandLine parsed = SplitCommandLine(m_lpCmdLine ? m_lpCmdLine : L"");
    rCmdInfo.m_nShellCommand = static_cast<int>(parsed.m_nShellCommand);
    rCmdInfo.m_strFileName = parsed.m_strFileName;
    rCmdInfo.m_strPrinterName = parsed.m_strPrinterName;
    rCmdInfo.m_strDriverName = parsed.m_strDriverName;
    rCmdInfo.m_strPortName = parsed.m_strPortName;
    rCmdInfo.m_bRunEmbedded = parsed.m_bRunEmbedded;
    rCmdInfo.m_bRunAutomated = parsed.m_bRunAutomated;
}

CDocument* CTessarinApp::OpenDocumentFile(const wchar_t* pszFileName) {
    if (!pszFileName)
        return nullptr;
    // Every way in (command line, DDE, drop, dialog, reload) passes here: from now on the path is
    // full, so the document, its watch and its reload question never depend on the current
    // folder, which moves whenever the user browses in a file dialog.
    const std::wstring strPath = AfxFullPath(pszFileName);
    // A folder (dropped, or named on the command line) would fail as "access denied", which is
    // not why: said plainly, before anything is asked or stopped.
    if (const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
        dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        AfxMessageBox(FormatString(IDS_OPEN_FOLDER, {strPath}), MB_OK | MB_ICONEXCLAMATION, 0);
        return nullptr;
    }
    CMainFrame* pFrame = GetMainFrame();
    // A find-in-files run may be pumping messages under this call (a hit double-clicked during
    // the run): it goes on, since the frame and the pane it writes to stay as they are.
    CDocument* pDoc = pFrame ? pFrame->GetActiveDocument() : nullptr;
    if (pDoc && AfxSameFile(pDoc->GetPathName(), strPath)) {
        // The open document's own path: a reload from disk, once its changes are dealt with.
        // The framework's question with the title, and Yes saves through the Save As dialog.
        if (!pDoc->IsModified() || AskSaveChanges(AFX_IDP_ASK_TO_SAVE, pDoc->GetTitle(),
                                                  [pDoc] { return pDoc->DoSave(nullptr); }) == SaveResult::Saved)
            return ReloadDocument(*pDoc, strPath);
    }
    return CWinApp::OpenDocumentFile(strPath.c_str());
}

CDocument* CTessarinApp::ReloadDocument(CDocument& doc, const std::wstring& strPath) {
    // Read into the document as it stands rather than after emptying it: the text is swapped
    // only once the file has been read whole, so a reload that fails (the file is locked or gone)
    // keeps the text, path, title, pair and modified mark, and the user loses nothing.
    const bool bWasModified = doc.IsModified();
    if (!doc.OnOpenDocument(strPath.c_str())) {
        doc.SetModifiedFlag(bWasModified || doc.IsModified());
        return nullptr;
    }
    doc.SetPathName(strPath);
    if (CFrameWnd* pFrame = doc.GetFirstFrame())
        pFrame->InitialUpdateFrame(&doc, true);
    return &doc;
}

BOOL CTessarinApp::OnIdle(LONG lCount) {
    if (CMainFrame* pFrame = GetMainFrame(); pFrame && pFrame->m_hWnd) {
        pFrame->UpdateLineColumnPane();
        pFrame->UpdateFileFormatPane();
        pFrame->UpdateSearchDialogs();
    }
    return CWinApp::OnIdle(lCount);
}

bool CTessarinApp::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_FILE_NEW: return Handle(nCode, pExtra, [this] { OnFileNew(); });
    case ID_FILE_OPEN: return Handle(nCode, pExtra, [this] { OnFileOpen(); });
    case ID_APP_ABOUT: return Handle(nCode, pExtra, [] { CAboutDlg().DoModal(); });
    default: return CWinApp::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}

CMainFrame* CTessarinApp::GetMainFrame() const {
    return dynamic_cast<CMainFrame*>(m_pMainWnd);
}

bool CTessarinApp::DoPrintDialog(CPrintInfo* pInfo) {
    UpdatePrinterSelection(false);
    PRINTPAGERANGE range{static_cast<DWORD>(pInfo->GetMinPage()), static_cast<DWORD>(pInfo->GetMaxPage())};
    // Owned by the main window, whatever has the focus (a search dialog may), and modal to it.
    CModalScope modal;
    PRINTDLGEXW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = modal.Owner();
    pd.hDevMode = GetDevMode();
    pd.hDevNames = GetDevNames();
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOCURRENTPAGE;
    pd.nPageRanges = 1;
    pd.nMaxPageRanges = 1;
    pd.lpPageRanges = &range;
    pd.nMinPage = pInfo->GetMinPage();
    pd.nMaxPage = pInfo->GetMaxPage();
    pd.nCopies = 1;
    pd.nStartPage = START_PAGE_GENERAL;
    if (FAILED(::PrintDlgExW(&pd))) {
        // A stored printer the dialog cannot use: forget it and let the dialog choose afresh.
        SelectPrinter(nullptr, nullptr);
        pd.hDevMode = nullptr;
        pd.hDevNames = nullptr;
        if (FAILED(::PrintDlgExW(&pd)))
            return false;
    }
    // The dialog may hand back new blocks: they become the selection, whatever the answer.
    if (pd.hDevNames != GetDevNames() || pd.hDevMode != GetDevMode())
        SelectPrinter(pd.hDevNames, pd.hDevMode, false);
    CPrinterDC dc(pd.hDC);
    if (pd.dwResultAction != PD_RESULT_PRINT)
        return false;
    pInfo->m_dc = std::move(dc);
    pInfo->m_dwFlags = pd.Flags;
    pInfo->m_nCopies = pd.nCopies ? static_cast<int>(pd.nCopies) : 1;
    if (pd.Flags & PD_PAGENUMS) {
        pInfo->m_nFromPage = range.nFromPage;
        pInfo->m_nToPage = range.nToPage;
    }
    return static_cast<bool>(pInfo->m_dc);
}
