#pragma once
// CCommandLineInfo: what the command line asks the application to do (new, open, print, print to,
// DDE, register, unregister) and the file and printer it names. The program's own parser fills it
// (CWinApp::ParseCommandLine); ProcessShellCommand carries it out.
#include <windows.h>
#include <string>

class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;

    int m_nShellCommand = FileNew;
    bool m_bShowSplash = true;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    std::wstring m_strFileName;
    std::wstring m_strPrinterName;
    std::wstring m_strDriverName;
    std::wstring m_strPortName;
};
