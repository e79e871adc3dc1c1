#pragma once
// CWinApp: the application object, last stop of the command route, and the main window's owner.
// The program derives its own application class from it; there is one per process.
#include "framework/CmdTarget.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    CWnd* m_pMainWnd = nullptr;

    static CWinApp* GetApp() { return s_pApp; }

private:
    static CWinApp* s_pApp;
};

inline CWinApp* AfxGetApp() { return CWinApp::GetApp(); }
