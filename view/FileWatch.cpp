// CFileWatch: the timer, the comparison of last-write times and the reload question.
#include "view/FileWatch.h"
#include "framework/MessageBox.h"
#include "framework/ScopeExit.h"
#include "framework/Strings.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {
bool SameWriteTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}
} // namespace

void CFileWatch::Start(HWND hWnd, const std::wstring& strPath) {
    if (m_nTimer != 0 || strPath.empty() || !hWnd)
        return;
    m_hWnd = hWnd;
    m_nTimer = ::SetTimer(hWnd, kTimerId, kIntervalMs, nullptr);
    m_strPath = strPath;
    m_fileData = WIN32_FILE_ATTRIBUTE_DATA{};
    ::GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &m_fileData);
}

void CFileWatch::Stop() {
    if (m_nTimer != 0 && m_hWnd)
        ::KillTimer(m_hWnd, m_nTimer);
    m_nTimer = 0;
    m_hWnd = nullptr;
}

void CFileWatch::MoveTo(HWND hNew) {
    if (m_nTimer == 0 || hNew == m_hWnd)
        return;
    if (::IsWindow(m_hWnd))
        ::KillTimer(m_hWnd, m_nTimer);
    m_hWnd = hNew;
    m_nTimer = hNew ? ::SetTimer(hNew, kTimerId, kIntervalMs, nullptr) : 0;
}

CFileWatch::Change CFileWatch::Check() {
    // The path the watch was started with is the document's path: the document restarts the
    // watch whenever its path changes.
    if (::GetFileAttributesW(m_strPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Change::Gone;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(m_strPath.c_str(), GetFileExInfoStandard, &data))
        return Change::None;
    if (SameWriteTime(data.ftLastWriteTime, m_fileData.ftLastWriteTime))
        return Change::None;
    m_fileData = data;
    return Change::Rewritten;
}

void CFileWatch::AskReload() {
    if (m_bPromptOpen)
        return;
    const std::wstring strPath = m_strPath; // the reload restarts the watch
    m_bPromptOpen = true;
    CScopeExit closed([this] { m_bPromptOpen = false; });
    if (AfxMessageBox(FormatString(IDS_FILE_CHANGED_RELOAD, {strPath}), MB_YESNO | MB_ICONQUESTION, 0) == IDYES) {
        if (CWinApp* pApp = AfxGetApp())
            pApp->OpenDocumentFile(strPath.c_str());
    }
}
