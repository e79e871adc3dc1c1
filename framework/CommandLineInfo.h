#pragma once
// CCommandLineInfo: what the command line asks the application to do (new, open, print, print to,
// DDE, register, unregister) and the file and printer it names, filled one parameter at a time.
#include <windows.h>
#include <string>

class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;

    // One parameter: a flag word without its "-" or "/" (bFlag), or a plain argument. bLast is set
    // for the final parameter, after which a named file turns a new document into an open.
    virtual void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast);

    int m_nShellCommand = FileNew;
    bool m_bShowSplash = true;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    std::wstring m_strFileName;
    std::wstring m_strPrinterName;
    std::wstring m_strDriverName;
    std::wstring m_strPortName;

protected:
    void ParseParamFlag(const wchar_t* pszParam);
    void ParseParamNotFlag(const wchar_t* pszParam);
    void ParseLast(BOOL bLast);
};
