// The message-box watchdog of the test executables: looks at this process's top-level windows a
// few times a second and deals with boxes that have waited too long.
#include "BoxWatchdog.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kMessageBoxText = 0xFFFF; // the static control that holds a message box's text
constexpr DWORD kLookEveryMs = 100;

std::wstring TextOf(HWND hWnd) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The visible message boxes of this process: dialogs with a message box's text control.
std::vector<HWND> ShownMessageBoxes() {
    std::vector<HWND> boxes;
    ::EnumWindows(
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            DWORD dwProcess = 0;
            ::GetWindowThreadProcessId(hWnd, &dwProcess);
            wchar_t szClass[16] = {};
            ::GetClassNameW(hWnd, szClass, 16);
            if (dwProcess == ::GetCurrentProcessId() && std::wstring(szClass) == L"#32770" && ::IsWindowVisible(hWnd) &&
                ::GetDlgItem(hWnd, kMessageBoxText))
                reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hWnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

std::string Utf8(const std::wstring& text) {
    int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

CBoxWatchdog::CBoxWatchdog(DWORD nPatienceMs) : m_nPatienceMs(nPatienceMs) {
    if (const char* psz = std::getenv("TESSARIN_TEST_BOX_PATIENCE_MS"); psz && *psz)
        m_nPatienceMs = static_cast<DWORD>(std::strtoul(psz, nullptr, 10));
    m_thread = std::thread(&CBoxWatchdog::Watch, this);
}

CBoxWatchdog::~CBoxWatchdog() {
    m_bStop = true;
    m_thread.join();
}

void CBoxWatchdog::Watch() {
    std::map<HWND, DWORD> firstSeen;
    while (!m_bStop) {
        ::Sleep(kLookEveryMs);
        std::map<HWND, DWORD> seen;
        for (HWND hBox : ShownMessageBoxes()) {
            auto it = firstSeen.find(hBox);
            const DWORD dwSince = it != firstSeen.end() ? it->second : ::GetTickCount();
            if (::GetTickCount() - dwSince < m_nPatienceMs) {
                seen[hBox] = dwSince;
                continue;
            }
            // The test's thread waits inside the box's loop meanwhile, so the failure lands in the
            // test that showed it, before that test can go on.
            ADD_FAILURE() << "a message box was left open for " << m_nPatienceMs << " ms and closed: \""
                          << Utf8(TextOf(hBox)) << "\" (" << Utf8(TextOf(::GetDlgItem(hBox, kMessageBoxText))) << ")";
            for (int nID : {IDCANCEL, IDNO, IDOK}) {
                if (HWND hButton = ::GetDlgItem(hBox, nID)) {
                    ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
                    break;
                }
            }
        }
        firstSeen = std::move(seen);
    }
}
