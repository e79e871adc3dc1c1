#pragma once
// The fixture for end-to-end tests of the built editor: finds Tessarin.exe (skipping with the reason
// when it has not been built), starts it from a clean settings key with a private temporary folder,
// and hands the test its main window.
#include "Dialogs.h"
#include "Driver.h"
#include "TestFiles.h"
#include "framework/FrameworkIds.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// The editor as built next to the tests, as a Windows path (Z: is the Unix root under Wine).
inline std::wstring TessarinExePath() {
    std::string narrow = TESSARIN_EXE;
    return std::wstring(narrow.begin(), narrow.end());
}

// Sets an environment variable of this process, which the programs it starts inherit, for a scope.
class CEnvironmentOverride {
public:
    CEnvironmentOverride(const wchar_t* pszName, const std::wstring& strValue) : m_strName(pszName) {
        DWORD n = ::GetEnvironmentVariableW(pszName, nullptr, 0);
        if (n) {
            m_strOld.resize(n);
            m_strOld.resize(::GetEnvironmentVariableW(pszName, m_strOld.data(), n));
            m_bHadOld = true;
        }
        ::SetEnvironmentVariableW(pszName, strValue.c_str());
    }
    ~CEnvironmentOverride() { ::SetEnvironmentVariableW(m_strName.c_str(), m_bHadOld ? m_strOld.c_str() : nullptr); }
    CEnvironmentOverride(const CEnvironmentOverride&) = delete;
    CEnvironmentOverride& operator=(const CEnvironmentOverride&) = delete;

private:
    std::wstring m_strName, m_strOld;
    bool m_bHadOld = false;
};

// A temporary folder that stands for the local application data: the editor keeps its recovery
// snapshots in Tessarin\Recovery under it, which goes with the folder (whatever a killed editor
// left there).
class CLocalAppDataDir : public CTempDir {
public:
    ~CLocalAppDataDir() {
        const std::wstring tessarin = File(L"Tessarin"), recovery = tessarin + L"\\Recovery";
        WIN32_FIND_DATAW fd{};
        std::vector<std::wstring> files;
        if (CFindHandle h(::FindFirstFileW((recovery + L"\\*").c_str(), &fd)); h)
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    files.push_back(recovery + L"\\" + fd.cFileName);
            } while (::FindNextFileW(h.Get(), &fd));
        for (const std::wstring& file : files)
            ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(recovery.c_str());
        ::DeleteFileW(recovery.c_str()); // a test may have put a file in its place
        ::RemoveDirectoryW(tessarin.c_str());
    }
};

inline bool TessarinBuilt() {
    return ::GetFileAttributesW(TessarinExePath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

class TessarinE2E : public testing::Test {
protected:
    void SetUp() override {
        if (!TessarinBuilt())
            GTEST_SKIP() << "Tessarin.exe is not built yet (looked for " << TESSARIN_EXE << ")";
    }

    // Starts the editor with `args` on its command line and waits for its idle main window.
    HWND Launch(const std::wstring& args = L"") {
        if (!m_app.Start(TessarinExePath(), args, m_dir.Path()))
            return nullptr;
        m_hWndMain = m_app.WaitForMainWindow();
        return m_hWndMain;
    }

    // The text control that holds the text: the view (AFX_IDW_PANE_FIRST), our own class.
    HWND Edit() const { return m_app.FindInMain(L"TessarinText", 59648); }
    // The results pane's text control (id 123 in the pane of id 123) and the pane around it.
    HWND ResultsEdit() const {
        for (HWND h : e2e::Descendants(m_hWndMain, L"TessarinText"))
            if (::GetDlgCtrlID(h) == 123 && ::GetDlgCtrlID(::GetParent(h)) == 123)
                return h;
        return nullptr;
    }
    HWND ResultsPane() const {
        HWND h = ResultsEdit();
        return h ? ::GetParent(h) : nullptr;
    }
    HWND StatusBar() const { return m_app.FindInMain(L"msctls_statusbar32"); }

    // Ends the program with its Exit command, answering No when it asks to save.
    void ExitDiscarding() {
        ASSERT_TRUE(m_app.PostCommand(ID_APP_EXIT));
        if (e2e::WaitUntil([&] { return !m_app.IsRunning() || !m_app.HasNoDialog(); }) && m_app.IsRunning()) {
            HWND box = m_app.WaitForMessageBox();
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(e2e::PressButton(box, IDNO));
        }
        ASSERT_TRUE(m_app.WaitForExit());
    }

    e2e::CUserKeyReset m_settings; // the editor starts from its defaults and leaves nothing behind
    CTempDir m_dir;
    // The editor's local application data (recovery snapshots) is the test's own: a snapshot that
    // a killed editor left behind never reaches another test.
    CLocalAppDataDir m_localAppData;
    CEnvironmentOverride m_localAppDataEnv{L"LOCALAPPDATA", m_localAppData.Path()};
    e2e::CTargetProcess m_app; // declared last: the program ends before the folder and key go
    HWND m_hWndMain = nullptr;
};
