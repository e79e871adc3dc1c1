// CWinApp: registration of the one application object, the message loop with its idle passes,
// the document manager's operations, the framework's profile, the shell registration and DDE
// topic, and the standard handling of the parsed command line.
#include "framework/WinApp.h"
#include "framework/CommandLineInfo.h"
#include "framework/DocManager.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/File.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include <ole2.h>
#include <algorithm>

CWinApp* CWinApp::s_pApp = nullptr;

namespace {
// System timer message of the caret's blink; it says nothing about the program's state.
constexpr UINT WM_SYSTIMER = 0x0118;

// The program's full path, as the shell registration names it.
std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Creates (or opens) HKEY_CLASSES_ROOT\<key> and sets its default value; failures are ignored.
bool SetClassesValue(const std::wstring& strKey, const std::wstring& strValue, const wchar_t* pszName = nullptr) {
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, strKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    CRegKey key(hKey);
    auto cb = static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()), cb) ==
           ERROR_SUCCESS;
}

// The default value of HKEY_CLASSES_ROOT\<key>; empty when absent.
std::wstring GetClassesValue(const std::wstring& strKey) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, strKey.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return {};
    CRegKey key(hKey);
    DWORD cb = 0;
    if (::RegQueryValueExW(key.Get(), nullptr, nullptr, nullptr, nullptr, &cb) != ERROR_SUCCESS || cb == 0)
        return {};
    std::wstring value(cb / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.Get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &cb) !=
        ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}
} // namespace

CWinApp::CWinApp() {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (m_atomApp)
        ::GlobalDeleteAtom(m_atomApp);
    if (m_atomSystemTopic)
        ::GlobalDeleteAtom(m_atomSystemTopic);
    if (s_pApp == this)
        s_pApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::Run() {
    bool bIdle = true;
    LONG lIdleCount = 0;
    MSG msg{};
    for (;;) {
        while (bIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++))
                bIdle = false;
        }
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(m_msgCur)) {
                bIdle = true;
                lIdleCount = 0;
            }
        } while (::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

bool CWinApp::PumpMessage() {
    BOOL bResult = ::GetMessageW(&m_msgCur, nullptr, 0, 0);
    if (bResult == 0 || bResult == -1) {
        m_nExitCode = bResult == 0 ? static_cast<int>(m_msgCur.wParam) : -1;
        return false;
    }
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageW(&m_msgCur);
    }
    return true;
}

bool CWinApp::IsIdleMessage(const MSG& msg) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        if (m_nMsgLast == msg.message && m_ptCursorLast.x == msg.pt.x && m_ptCursorLast.y == msg.pt.y)
            return false;
        m_ptCursorLast = msg.pt;
        m_nMsgLast = msg.message;
        return true;
    }
    return msg.message != WM_PAINT && msg.message != WM_SYSTIMER;
}

bool CWinApp::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return false;
    // A modeless dialog gets its own keys (Tab, Enter, Esc, mnemonics) first.
    for (HWND hDlg : m_dialogFilters)
        if (::IsWindow(hDlg) && (pMsg->hwnd == hDlg || ::IsChild(hDlg, pMsg->hwnd)) && ::IsDialogMessageW(hDlg, pMsg))
            return true;
    auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    if (!pFrame || !pFrame->m_hWnd || !pFrame->m_hAccelTable)
        return false;
    if (pMsg->hwnd != pFrame->m_hWnd && !::IsChild(pFrame->m_hWnd, pMsg->hwnd))
        return false;
    return pFrame->TranslateFrameAccelerator(pMsg);
}

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount <= 0) {
        if (auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd); pFrame && pFrame->m_hWnd)
            pFrame->OnIdleUpdateCmdUI();
    }
    return lCount < 1;
}

int CWinApp::ExitInstance() {
    // The preview's choice of one or two pages is kept once the user has made it.
    if (m_nNumPreviewPages != 0)
        WriteProfileInt(L"Settings", L"PreviewPages", static_cast<int>(m_nNumPreviewPages));
    m_pDocManager.reset();
    if (m_bOleInitialized) {
        ::OleUninitialize();
        m_bOleInitialized = false;
    }
    return m_nExitCode;
}

CDocument* CWinApp::OpenDocumentFile(const wchar_t* pszFileName) {
    if (!m_pDocManager || !pszFileName)
        return nullptr;
    // A file that is already open is not read again: its frame comes to the front.
    auto* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    CDocument* pDoc = pFrame ? pFrame->GetActiveDocument() : nullptr;
    if (pDoc && AfxSameFile(pszFileName, pDoc->GetPathName())) {
        pFrame->ActivateFrame();
        return pDoc;
    }
    return m_pDocManager->OpenDocumentFile(pszFileName);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (!m_pDocManager)
        m_pDocManager = std::make_unique<CDocManager>();
    m_pDocManager->AddDocTemplate(pTemplate);
}

bool CWinApp::DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                               CDocTemplate* pTemplate) {
    return m_pDocManager && m_pDocManager->DoPromptFileName(fileName, nIDSTitle, lFlags, bOpenFileDialog, pTemplate);
}

void CWinApp::OnFileNew() {
    if (m_pDocManager)
        m_pDocManager->OnFileNew();
}

void CWinApp::OnFileOpen() {
    if (m_pDocManager)
        m_pDocManager->OnFileOpen();
}

bool CWinApp::SaveAllModified() {
    return !m_pDocManager || m_pDocManager->SaveAllModified();
}

void CWinApp::CloseAllDocuments(bool bEndSession) {
    if (m_pDocManager)
        m_pDocManager->CloseAllDocuments(bEndSession);
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
    SetRegistryKey(LoadStringResource(nIDRegistryKey).c_str());
}

void CWinApp::SetRegistryKey(const wchar_t* pszRegistryKey) {
    m_strRegistryKey = pszRegistryKey ? pszRegistryKey : L"";
    m_strProfileName = LoadStringResource(AFX_IDS_APP_TITLE);
}

UINT CWinApp::GetProfileInt(const wchar_t* pszSection, const wchar_t* pszEntry, int nDefault) const {
    if (m_strRegistryKey.empty())
        return static_cast<UINT>(nDefault);
    std::wstring strKey = L"Software\\" + m_strRegistryKey + L"\\" + m_strProfileName + L"\\" + pszSection;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, strKey.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return static_cast<UINT>(nDefault);
    CRegKey key(hKey);
    DWORD dwValue = 0, cb = sizeof dwValue, dwType = 0;
    if (::RegQueryValueExW(key.Get(), pszEntry, nullptr, &dwType, reinterpret_cast<BYTE*>(&dwValue), &cb) !=
            ERROR_SUCCESS ||
        dwType != REG_DWORD)
        return static_cast<UINT>(nDefault);
    return dwValue;
}

bool CWinApp::WriteProfileInt(const wchar_t* pszSection, const wchar_t* pszEntry, int nValue) const {
    if (m_strRegistryKey.empty())
        return false;
    std::wstring strKey = L"Software\\" + m_strRegistryKey + L"\\" + m_strProfileName + L"\\" + pszSection;
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, strKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    CRegKey key(hKey);
    auto dwValue = static_cast<DWORD>(nValue);
    return ::RegSetValueExW(key.Get(), pszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                            sizeof dwValue) == ERROR_SUCCESS;
}

void CWinApp::EnableShellOpen() {
    if (m_atomApp)
        return;
    // The service name is the program's file name without its extension, the topic "system".
    std::wstring strPath = ModulePath();
    std::wstring strName = strPath.substr(strPath.find_last_of(L"\\/") + 1);
    strName = strName.substr(0, strName.rfind(L'.'));
    m_atomApp = ::GlobalAddAtomW(strName.c_str());
    m_atomSystemTopic = ::GlobalAddAtomW(L"system");
}

bool CWinApp::IsShellOpenConversation(ATOM atomApp, ATOM atomTopic) const {
    return m_atomApp && (atomApp == 0 || atomApp == m_atomApp) && (atomTopic == 0 || atomTopic == m_atomSystemTopic);
}

void CWinApp::RegisterShellFileTypes(bool bCompat) {
    if (!m_pDocManager)
        return;
    const std::wstring strQuoted = L"\"" + ModulePath() + L"\"";
    // The program has one document type: its template is the first.
    if (CDocTemplate* pTemplate = m_pDocManager->GetFirstTemplate()) {
        std::wstring strTypeId, strTypeName, strExt;
        if (!pTemplate->GetDocString(strTypeId, CDocTemplate::regFileTypeId) || strTypeId.empty())
            return;
        pTemplate->GetDocString(strTypeName, CDocTemplate::regFileTypeName);
        pTemplate->GetDocString(strExt, CDocTemplate::filterExt);
        if (!SetClassesValue(strTypeId, strTypeName))
            return; // no rights to the classes root: nothing more would succeed
        SetClassesValue(strTypeId + L"\\DefaultIcon", ModulePath() + L",0");
        // The window title in the document string means the file name travels on the command line.
        SetClassesValue(strTypeId + L"\\shell\\open\\command", strQuoted + L" \"%1\"");
        if (bCompat) {
            SetClassesValue(strTypeId + L"\\shell\\print\\command", strQuoted + L" /p \"%1\"");
            SetClassesValue(strTypeId + L"\\shell\\printto\\command", strQuoted + L" /pt \"%1\" \"%2\" \"%3\" \"%4\"");
        }
        if (strExt.empty())
            return;
        std::wstring strOwner = GetClassesValue(strExt);
        if (strOwner.empty() || strOwner == strTypeId) {
            SetClassesValue(strExt, strTypeId);
            SetClassesValue(strExt + L"\\ShellNew", L"", L"NullFile");
        }
    }
}

void CWinApp::UnregisterShellFileTypes() {
    if (!m_pDocManager)
        return;
    if (CDocTemplate* pTemplate = m_pDocManager->GetFirstTemplate()) {
        std::wstring strTypeId, strExt;
        if (!pTemplate->GetDocString(strTypeId, CDocTemplate::regFileTypeId) || strTypeId.empty())
            return;
        pTemplate->GetDocString(strExt, CDocTemplate::filterExt);
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, strTypeId.c_str());
        if (!strExt.empty() && GetClassesValue(strExt) == strTypeId)
            ::RegDeleteTreeW(HKEY_CLASSES_ROOT, strExt.c_str());
    }
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    m_pCmdInfo = &rCmdInfo;
    struct Reset {
        const CCommandLineInfo*& p;
        ~Reset() { p = nullptr; }
    } reset{m_pCmdInfo};
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr))
            OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen: return OpenDocumentFile(rCmdInfo.m_strFileName.c_str()) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
        // Printed without showing the window; the program ends afterwards either way.
        m_nCmdShow = SW_HIDE;
        if (!OpenDocumentFile(rCmdInfo.m_strFileName.c_str()) || !m_pMainWnd)
            return false;
        m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT);
        m_pMainWnd->SendMessage(WM_CLOSE);
        return false;
    }
    case CCommandLineInfo::FileDDE:
        // The shell's open requests arrive by DDE; an untitled window is ready to receive them.
        if (!OnCmdMsg(ID_FILE_NEW, CN_COMMAND, nullptr))
            OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::AppRegister: RegisterShellFileTypes(false); return false;
    case CCommandLineInfo::AppUnregister: UnregisterShellFileTypes(); return false;
    default: return true;
    }
}

void CWinApp::AddDialogFilter(HWND hDlg) {
    if (hDlg && std::find(m_dialogFilters.begin(), m_dialogFilters.end(), hDlg) == m_dialogFilters.end())
        m_dialogFilters.push_back(hDlg);
}

void CWinApp::RemoveDialogFilter(HWND hDlg) {
    m_dialogFilters.erase(std::remove(m_dialogFilters.begin(), m_dialogFilters.end(), hDlg), m_dialogFilters.end());
}

bool CWinApp::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_APP_EXIT: return Handle(nCode, pExtra, [this] { OnAppExit(); });
    default: return CCmdTarget::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}

void CWinApp::OnAppExit() {
    if (m_pMainWnd)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

bool AfxOleInit() {
    if (FAILED(::OleInitialize(nullptr)))
        return false;
    if (CWinApp* pApp = AfxGetApp())
        pApp->m_bOleInitialized = true;
    return true;
}
