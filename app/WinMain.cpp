// The program's entry point: the one application object, start-up, the message loop and the end.
#include "app/Tessarin.h"
#include "framework/Wnd.h"

namespace {
CTessarinApp theApp;
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nCmdShow) {
    CWinApp* pApp = AfxGetApp();
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine ? lpCmdLine : L"";
    pApp->m_nCmdShow = nCmdShow;
    if (!pApp->InitInstance()) {
        // Start-up gave up after the window was shown (the missing-file question was cancelled).
        if (pApp->m_pMainWnd)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
