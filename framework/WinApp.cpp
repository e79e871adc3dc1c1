// CWinApp: registration of the one application object.
#include "framework/WinApp.h"

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp() { s_pApp = this; }

CWinApp::~CWinApp() {
    if (s_pApp == this)
        s_pApp = nullptr;
}
