#pragma once
// CWinApp: the one application object. Runs the message loop (accelerators of the main window,
// keyboard navigation of modeless dialogs, idle passes), owns the document manager and the
// framework's profile key, registers the document type with the shell and answers its DDE
// requests, and turns the command line into a new or opened document.
#include "framework/CmdTarget.h"
#include "framework/GlobalBlock.h"
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

class CWnd;
class CDocument;
class CDocTemplate;
class CDocManager;
class CCommandLineInfo;
class CPrintInfo;

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const wchar_t* m_lpCmdLine = L""; // the text after the program name
    int m_nCmdShow = SW_SHOWNORMAL;   // -1 once the main window has been shown with it

    // The document manager; created on the first AddDocTemplate unless the program installed its own.
    std::unique_ptr<CDocManager> m_pDocManager;

    static CWinApp* GetApp() { return s_pApp; }

    // Start-up: FALSE ends the program before the message loop runs.
    virtual BOOL InitInstance();
    // The message loop; returns the exit code once WM_QUIT arrives.
    virtual int Run();
    // One idle pass; TRUE asks for another before the next message.
    virtual BOOL OnIdle(LONG lCount);
    // End: the document manager and its templates go; returns the exit code.
    virtual int ExitInstance();
    // Keyboard messages for the main window's accelerators and modeless dialogs; true when used.
    virtual bool PreTranslateMessage(MSG* pMsg);

    // The one open operation: to the document manager; null when nothing was opened.
    virtual CDocument* OpenDocumentFile(const wchar_t* pszFileName);
    void AddDocTemplate(CDocTemplate* pTemplate);
    bool DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                          CDocTemplate* pTemplate);
    void OnFileNew();
    void OnFileOpen();
    bool SaveAllModified();
    void CloseAllDocuments(bool bEndSession);

    // The framework's profile lives under HKEY_CURRENT_USER\Software\<key word>\<application title>.
    void SetRegistryKey(UINT nIDRegistryKey);
    void SetRegistryKey(const wchar_t* pszRegistryKey);
    UINT GetProfileInt(const wchar_t* pszSection, const wchar_t* pszEntry, int nDefault) const;
    bool WriteProfileInt(const wchar_t* pszSection, const wchar_t* pszEntry, int nValue) const;

    // Lets the shell send "[open("file")]" requests by DDE to the main window.
    void EnableShellOpen();
    // Registers every template's document type in HKEY_CLASSES_ROOT (with print and print-to
    // commands when bCompat) and associates its extension when that is free or already ours.
    void RegisterShellFileTypes(bool bCompat = false);
    void UnregisterShellFileTypes();
    // True once EnableShellOpen ran and hWnd is the topic "system" of this application's service.
    bool IsShellOpenConversation(ATOM atomApp, ATOM atomTopic) const;
    // The service and topic atoms of that conversation; 0 before EnableShellOpen.
    ATOM GetShellOpenService() const { return m_atomApp; }
    ATOM GetShellOpenTopic() const { return m_atomSystemTopic; }

    // Fills rCmdInfo from m_lpCmdLine. How a command line reads is the program's to say: the
    // framework's own leaves it asking for a new document.
    virtual void ParseCommandLine(CCommandLineInfo&) {}
    // Acts on the parsed command: creates the main window with a new or opened document, prints,
    // or registers; false ends the program.
    bool ProcessShellCommand(CCommandLineInfo& rCmdInfo);

    // The printer selection: a DEVNAMES and a DEVMODE block, owned by the application. Selecting
    // another pair frees the old one unless bFreeOld is false.
    void SelectPrinter(HGLOBAL hDevNames, HGLOBAL hDevMode, bool bFreeOld = true);
    HGLOBAL GetDevNames() const { return m_devNames.Get(); }
    HGLOBAL GetDevMode() const { return m_devMode.Get(); }
    // Selects the system's default printer when there is no selection, or when the selected one has
    // gone (bForceDefaults: always); a selection stays empty when there is no default printer.
    void UpdatePrinterSelection(bool bForceDefaults);
    // Brings the selection up to date; false when there is no printer to select.
    bool GetPrinterDeviceDefaults();
    // A device context for the selected printer, or null.
    HDC CreatePrinterDC() const;
    // True when at least one printer is installed.
    static bool HasPrinter();
    // Shows the print dialog for the run; on OK the run holds the chosen printer's device context,
    // range and copies. The framework's is the classic dialog; the program may offer another.
    virtual bool DoPrintDialog(CPrintInfo* pInfo);
    // The number of pages the preview shows (1 or 2); the preview's page-count button sets it.
    UINT m_nNumPreviewPages = 0;
    // The command line being carried out (print-to names its printer), during ProcessShellCommand.
    const CCommandLineInfo* m_pCmdInfo = nullptr;

    // Modeless dialogs whose keyboard navigation the loop provides (IsDialogMessage).
    void AddDialogFilter(HWND hDlg);
    void RemoveDialogFilter(HWND hDlg);

    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    bool m_bOleInitialized = false; // set by AfxOleInit

protected:
    void OnAppExit();
    // Messages that say nothing about the program's state (the caret's blink, a repaint, a mouse
    // move to where the pointer already was) do not restart idle processing.
    bool IsIdleMessage(const MSG& msg);
    // Gets and dispatches one message; false at WM_QUIT.
    bool PumpMessage();

private:
    static CWinApp* s_pApp;
    std::wstring m_strRegistryKey;
    std::wstring m_strProfileName;
    std::vector<HWND> m_dialogFilters;
    CGlobalBlock m_devNames;
    CGlobalBlock m_devMode;
    ATOM m_atomApp = 0;
    ATOM m_atomSystemTopic = 0;
    MSG m_msgCur{};
    POINT m_ptCursorLast{-1, -1};
    UINT m_nMsgLast = 0;
    int m_nExitCode = 0;
};

inline CWinApp* AfxGetApp() {
    return CWinApp::GetApp();
}

// Initialises OLE for the thread (drag and drop of text needs it); the application's end
// uninitialises it. False when it failed.
bool AfxOleInit();
