// CCommandLineInfo: the standard switches and the order of plain arguments (file, then the
// printer, driver and port of a print-to request).
#include "framework/CommandLineInfo.h"

void CCommandLineInfo::ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast) {
    if (bFlag)
        ParseParamFlag(pszParam);
    else
        ParseParamNotFlag(pszParam);
    ParseLast(bLast);
}

void CCommandLineInfo::ParseParamFlag(const wchar_t* pszParam) {
    // Switch words are matched without regard to letter case, as the shell may pass either.
    auto is = [pszParam](const wchar_t* pszWord) { return ::lstrcmpiW(pszParam, pszWord) == 0; };
    if (is(L"pt"))
        m_nShellCommand = FilePrintTo;
    else if (is(L"p"))
        m_nShellCommand = FilePrint;
    else if (is(L"Unregister") || is(L"Unregserver"))
        m_nShellCommand = AppUnregister;
    else if (is(L"Register") || is(L"Regserver"))
        m_nShellCommand = AppRegister;
    else if (is(L"dde"))
        m_nShellCommand = FileDDE;
    else if (is(L"Embedding")) {
        m_bRunEmbedded = true;
        m_bShowSplash = false;
    } else if (is(L"Automation")) {
        m_bRunAutomated = true;
        m_bShowSplash = false;
    }
}

void CCommandLineInfo::ParseParamNotFlag(const wchar_t* pszParam) {
    if (m_strFileName.empty())
        m_strFileName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.empty())
        m_strPrinterName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.empty())
        m_strDriverName = pszParam;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.empty())
        m_strPortName = pszParam;
}

void CCommandLineInfo::ParseLast(BOOL bLast) {
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.empty())
        m_nShellCommand = FileOpen;
}
