// The paths the document keeps, as the user meets them: a file named relative to the start folder is
// still watched after the Open dialog has moved the current folder, and a reload that cannot read
// the file leaves the open document as it was.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include <commdlg.h>

using namespace e2e;

namespace {
constexpr const wchar_t* kChangedQuestion =
    L"\r\n\r\nこのファイルは外部のエディタで変更されています。再ロードしますか？";

// A folder inside the test's folder, removed with its files at the end.
class CSubDir {
public:
    explicit CSubDir(std::wstring path) : m_strPath(std::move(path)) { ::CreateDirectoryW(m_strPath.c_str(), nullptr); }
    CSubDir(const CSubDir&) = delete;
    CSubDir& operator=(const CSubDir&) = delete;
    ~CSubDir() {
        WIN32_FIND_DATAW fd;
        CFindHandle h(::FindFirstFileW((m_strPath + L"\\*").c_str(), &fd));
        if (h) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    ::DeleteFileW(File(fd.cFileName).c_str());
            } while (::FindNextFileW(h.Get(), &fd));
        }
        ::RemoveDirectoryW(m_strPath.c_str());
    }
    std::wstring File(const std::wstring& name) const { return m_strPath + L"\\" + name; }

private:
    std::wstring m_strPath;
};

void WriteText(const std::wstring& path, const std::string& text) {
    WriteAllBytes(path, text.data(), text.size());
}

// Rewrites the file as another program would, with a last-write time the watch has not seen.
void RewriteLater(const std::wstring& path, const std::string& text) {
    WriteText(path, text);
    CFileHandle h(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += 60ull * 10000000ull; // a minute ahead
    ft = FILETIME{t.LowPart, t.HighPart};
    ::SetFileTime(h.Get(), nullptr, nullptr, &ft);
}

class OpenPathE2E : public TessarinE2E {
protected:
    bool TitleIs(const std::wstring& title) {
        return WaitUntil([&] { return WindowText(m_hWndMain) == title; });
    }
    void Answer(int button, const std::wstring& expectedText = L"") {
        HWND box = m_app.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << "no message box";
        if (!expectedText.empty()) {
            EXPECT_EQ(MessageBoxText(box), expectedText);
        }
        ASSERT_TRUE(PressButton(box, button));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(box));
    }
    // The folder the file dialog shows (CDM_GETFOLDERPATH through the program's memory).
    std::wstring DialogFolder(HWND dlg) const {
        CRemoteMemory mem = m_app.Alloc(1024 * sizeof(wchar_t));
        LRESULT n = 0;
        if (!mem || !SendTimed(dlg, CDM_GETFOLDERPATH, 1024, mem.AsLParam(), &n) || n <= 0)
            return {};
        return mem.ReadString(1024);
    }
};
} // namespace

TEST_F(OpenPathE2E, RelativePathStaysWatchedAfterTheOpenDialogMovesTheCurrentFolder) {
    CSubDir files(m_dir.File(L"files"));
    CSubDir other(m_dir.File(L"other"));
    WriteText(files.File(L"rel.txt"), "first");
    WriteText(other.File(L"marker.txt"), "");
    ASSERT_NE(Launch(L"files\\rel.txt"), nullptr);
    ASSERT_TRUE(TitleIs(L"rel.txt - Tessarin"));
    ASSERT_EQ(WindowText(Edit()), L"first");

    // Browsing to another folder in the Open dialog makes it the current folder, also when the
    // dialog is then cancelled.
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_OPEN));
    HWND dlg = m_app.WaitForFileDialog();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SetFileName(dlg, m_dir.File(L"other")));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return _wcsicmp(DialogFolder(dlg).c_str(), m_dir.File(L"other").c_str()) == 0; }))
        << "the dialog shows " << testing::PrintToString(DialogFolder(dlg));
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));

    // The watch still sees the file by its full name, and the question names it so.
    RewriteLater(files.File(L"rel.txt"), "second");
    Answer(IDYES, files.File(L"rel.txt") + kChangedQuestion);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"second"; }));
    EXPECT_TRUE(TitleIs(L"rel.txt - Tessarin"));
    // Unedited: it ends without asking to save.
    ASSERT_TRUE(m_app.Close());
}

TEST_F(OpenPathE2E, FailedReloadKeepsTheOpenDocument) {
    const std::wstring path = m_dir.File(L"lockr.txt");
    WriteText(path, "kept text");
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(TitleIs(L"lockr.txt - Tessarin"));
    {
        // Another program holds the file open without sharing it.
        CFileHandle hold(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold);

        // Unedited: the failure is reported, and the document stays as it was.
        ASSERT_TRUE(m_app.DropFiles({path}));
        Answer(IDOK);
        EXPECT_EQ(WindowText(Edit()), L"kept text");
        EXPECT_EQ(WindowText(m_hWndMain), L"lockr.txt - Tessarin");

        // Edited, with the edits given up for the reload: as the reload failed, they are kept,
        // still marked unsaved.
        ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 0, 0));
        ASSERT_TRUE(m_app.TypeText(L"+", Edit()));
        ASSERT_TRUE(m_app.DropFiles({path}));
        Answer(IDNO, L"lockr.txt への変更を保存しますか?");
        Answer(IDOK);
        EXPECT_EQ(WindowText(Edit()), L"+kept text");
        EXPECT_EQ(WindowText(m_hWndMain), L"lockr.txt - Tessarin");
    }
    // Save writes the file under its own name, without asking for one. (Sent, so the file is
    // read only once the save is over: a reader could make the swap of the new file fail.)
    ASSERT_TRUE(SendTimed(m_hWndMain, WM_COMMAND, ID_FILE_SAVE, 0));
    EXPECT_EQ(ReadAllBytes(path), (std::vector<unsigned char>{'+', 'k', 'e', 'p', 't', ' ', 't', 'e', 'x', 't'}));
    for (HWND dlg : m_app.TopLevelWindows(L"#32770"))
        ADD_FAILURE() << "unexpected dialog " << testing::PrintToString(WindowText(dlg)) << ": "
                      << testing::PrintToString(MessageBoxText(dlg));
    ASSERT_TRUE(m_app.Close());
}

TEST_F(OpenPathE2E, TheOpenFileUnderAnotherSpellingIsReloadedAndALookAlikeNameIsAnotherFile) {
    // "é" and "e" with a combining accent: two files, which the locale's comparison calls equal.
    const std::wstring composed = m_dir.File(L"\u00E9.txt");
    const std::wstring decomposed = m_dir.File(L"e\u0301.txt");
    WriteText(composed, "composed");
    WriteText(decomposed, "decomposed");
    ASSERT_NE(Launch(L"\"" + composed + L"\""), nullptr);
    ASSERT_TRUE(TitleIs(L"\u00E9.txt - Tessarin"));
    ASSERT_TRUE(m_app.DropFiles({decomposed}));
    EXPECT_TRUE(TitleIs(L"e\u0301.txt - Tessarin")) << "the other file opens";
    EXPECT_EQ(WindowText(Edit()), L"decomposed");

    // The open file named in other letter case is the same file: edited, the program asks about
    // the edits and, told not to save them, reads the file again.
    ASSERT_TRUE(SendTimed(Edit(), EM_SETSEL, 0, 0));
    ASSERT_TRUE(m_app.TypeText(L"+", Edit()));
    ASSERT_TRUE(m_app.DropFiles({m_dir.File(L"E\u0301.TXT")}));
    Answer(IDNO, L"e\u0301.txt への変更を保存しますか?");
    EXPECT_TRUE(WaitUntil([&] { return WindowText(Edit()) == L"decomposed"; }));
    ASSERT_TRUE(m_app.Close());
}
