// The Open and Save As panels: their hooks driven by the messages the file dialog sends (under a
// stand-in parent that answers CDM_GETFILEPATH), and the real common dialogs run with the panels and
// worked from a second thread as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "TestFiles.h"
#include "document/TessarinDocManager.h"
#include "framework/ContextHelp.h"
#include "framework/File.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"

namespace {

// --- A stand-in for the file dialog: the panel's parent, answering CDM_GETFILEPATH --------------------

std::wstring g_strSelectedPath; // what the stand-in reports as selected; empty: nothing selected

LRESULT CALLBACK FakeFileDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != CDM_GETFILEPATH)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    if (g_strSelectedPath.empty())
        return -1;
    // As the dialog does: the size needed (with the zero); the text only when it fits.
    const LRESULT nNeeded = static_cast<LRESULT>(g_strSelectedPath.size() + 1);
    if (static_cast<LRESULT>(wParam) >= nNeeded) {
        auto* pBuffer = reinterpret_cast<wchar_t*>(lParam);
        g_strSelectedPath.copy(pBuffer, g_strSelectedPath.size());
        pBuffer[g_strSelectedPath.size()] = L'\0';
    }
    return nNeeded;
}

class CPanelHost {
public:
    CPanelHost(UINT nIDTemplate, DLGPROC pfnHook) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = FakeFileDialogProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TessarinFakeFileDialog";
        ::RegisterClassW(&wc); // a second registration fails harmlessly
        m_hParent = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 600, 200, nullptr, nullptr,
                                      wc.hInstance, nullptr);
        m_hPanel = ::CreateDialogParamW(wc.hInstance, MAKEINTRESOURCEW(nIDTemplate), m_hParent, pfnHook, 0);
    }
    ~CPanelHost() {
        ::DestroyWindow(m_hParent); // the panel goes with it
        g_strSelectedPath.clear();
    }
    HWND Panel() const { return m_hPanel; }
    HWND Parent() const { return m_hParent; }
    HWND List(int nID) const { return ::GetDlgItem(m_hPanel, nID); }
    int Selected(int nID) const { return static_cast<int>(::SendMessageW(List(nID), CB_GETCURSEL, 0, 0)); }
    void Select(int nID, int n) const { ::SendMessageW(List(nID), CB_SETCURSEL, static_cast<WPARAM>(n), 0); }

    // The user picks item n: the list changes, then tells its owner (CB_SETCURSEL alone does not).
    void Pick(int nID, int n) const {
        Select(nID, n);
        ::SendMessageW(m_hPanel, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(List(nID)));
    }

    // The file dialog's notification of a new selection (CDN_SELCHANGE) or of OK (CDN_FILEOK).
    void Notify(UINT nCode) const {
        OFNOTIFYW notify{};
        notify.hdr.hwndFrom = m_hParent;
        notify.hdr.code = nCode;
        ::SendMessageW(m_hPanel, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    }
    void SelectFile(const std::wstring& strPath) const {
        g_strSelectedPath = strPath;
        Notify(CDN_SELCHANGE);
    }

private:
    HWND m_hParent = nullptr;
    HWND m_hPanel = nullptr;
};

DLGPROC AsDlgProc(LPOFNHOOKPROC pfn) {
    return reinterpret_cast<DLGPROC>(reinterpret_cast<void*>(pfn));
}

std::vector<std::wstring> Items(HWND hList) {
    std::vector<std::wstring> items;
    LRESULT nCount = ::SendMessageW(hList, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < nCount; ++i) {
        std::wstring str(static_cast<size_t>(::SendMessageW(hList, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        str.resize(static_cast<size_t>(::SendMessageW(hList, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(str.data()))));
        items.push_back(str);
    }
    return items;
}

const std::vector<std::wstring> kEncodingNames = {L"Shift-JIS(自動判別)",
                                                  L"EUC-JP",
                                                  L"ISO-2022-JP",
                                                  L"UTF-8",
                                                  L"UTF-8N",
                                                  L"UTF-16(big endian)",
                                                  L"UTF-16(little endian)",
                                                  L"UTF-16BE",
                                                  L"UTF-16LE",
                                                  L"UTF-32(big endian)",
                                                  L"UTF-32(little endian)",
                                                  L"UTF-32BE",
                                                  L"UTF-32LE"};

void Write(const std::wstring& path, std::vector<unsigned char> bytes) {
    WriteAllBytes(path, bytes);
}

} // namespace

TEST(OpenPanel, ListsEveryEncodingAndFollowsTheSelectedFilesMark) {
    CTempDir dir;
    Write(dir.File(L"le.txt"), {0xFF, 0xFE, 0x41, 0x00});
    Write(dir.File(L"plain.txt"), {'a', 'b', 'c'});
    Write(dir.File(L"two.txt"), {0xFF, 0xFE});
    Write(dir.File(L"be.txt"), {0xFE, 0xFF, 0x00, 0x41});
    CTessarinDocManager::Selection() = {};
    CPanelHost host(IDD_OPEN_ENCODING, AsDlgProc(CTessarinDocManager::OpenHookProc));
    ASSERT_NE(host.Panel(), nullptr);
    EXPECT_EQ(Items(host.List(IDC_ENCODING)), kEncodingNames);
    EXPECT_EQ(host.List(IDC_FORMAT), nullptr);
    EXPECT_EQ(host.Selected(IDC_ENCODING), 0);

    host.SelectFile(dir.File(L"le.txt"));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
    host.SelectFile(dir.File(L"plain.txt"));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 0);
    host.SelectFile(dir.File(L"two.txt")); // FF FE and two missing bytes taken as zeros
    EXPECT_EQ(host.Selected(IDC_ENCODING), 10);
    host.SelectFile(dir.File(L"be.txt"));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 5);
}

TEST(OpenPanel, SelectionsThatAreNoReadableFileLeaveTheList) {
    CTempDir dir;
    Write(dir.File(L"held.txt"), {0xEF, 0xBB, 0xBF, 'x'});
    CTessarinDocManager::Selection() = {};
    CPanelHost host(IDD_OPEN_ENCODING, AsDlgProc(CTessarinDocManager::OpenHookProc));
    host.Select(IDC_ENCODING, 6);

    host.SelectFile(dir.Path()); // a folder
    EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
    host.SelectFile(dir.File(L"gone.txt"));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
    host.SelectFile(L""); // nothing selected: the dialog delivers no path
    EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
    host.SelectFile(dir.Path() + L"\\" + std::wstring(300, L'x') + L".txt"); // longer than the 255 asked for
    EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
    {
        CFile holder(dir.File(L"held.txt"), CFile::modeRead | CFile::shareDenyNone);
        host.SelectFile(dir.File(L"held.txt"));
        EXPECT_EQ(host.Selected(IDC_ENCODING), 6);
        EXPECT_TRUE(::IsWindow(host.Panel()));
    }
    host.SelectFile(dir.File(L"held.txt"));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 3);
}

TEST(OpenPanel, OkTakesTheListsPositionWithCrlfAndNoSelectionKeepsIt) {
    CTessarinDocManager::Selection() = {};
    CPanelHost host(IDD_OPEN_ENCODING, AsDlgProc(CTessarinDocManager::OpenHookProc));
    host.Pick(IDC_ENCODING, 1);
    EXPECT_EQ(CTessarinDocManager::Selection().encoding, EncodingId::SjisAuto); // only OK reads the list
    host.Notify(CDN_FILEOK);
    EXPECT_EQ(CTessarinDocManager::Selection().encoding, EncodingId::EucJp);
    EXPECT_EQ(CTessarinDocManager::Selection().lineEnding, LineEndingId::Crlf);

    host.Select(IDC_ENCODING, -1);
    host.Notify(CDN_FILEOK);
    EXPECT_EQ(CTessarinDocManager::Selection().encoding, EncodingId::EucJp);

    // What the hook reports back to the dialog: commands are its own, notifications are not.
    EXPECT_EQ(CTessarinDocManager::OpenHookProc(host.Panel(), WM_COMMAND, MAKEWPARAM(IDC_ENCODING, CBN_SELCHANGE),
                                                reinterpret_cast<LPARAM>(host.List(IDC_ENCODING))),
              static_cast<UINT_PTR>(TRUE));
    HELPINFO help{sizeof help, HELPINFO_WINDOW, IDC_ENCODING, host.List(IDC_ENCODING), 0, {}};
    EXPECT_EQ(CTessarinDocManager::OpenHookProc(host.Panel(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 0u);
}

TEST(SavePanel, StartsFromTheSelectionAndKeepsEachChangeAtOnce) {
    CTessarinDocManager::Selection() = {EncodingId::Utf8N, LineEndingId::Lf};
    CPanelHost host(IDD_SAVE_ENCODING, AsDlgProc(CTessarinDocManager::SaveHookProc));
    ASSERT_NE(host.Panel(), nullptr);
    EXPECT_EQ(Items(host.List(IDC_ENCODING)), kEncodingNames);
    EXPECT_EQ(Items(host.List(IDC_FORMAT)), (std::vector<std::wstring>{L"CRLF(Windows)", L"LF(Unix)", L"CR(Mac)"}));
    EXPECT_EQ(host.Selected(IDC_ENCODING), 4);
    EXPECT_EQ(host.Selected(IDC_FORMAT), 1);

    host.Pick(IDC_ENCODING, 8);
    EXPECT_EQ(CTessarinDocManager::Selection().encoding, EncodingId::Utf16Le);
    EXPECT_EQ(CTessarinDocManager::Selection().lineEnding, LineEndingId::Lf);
    host.Pick(IDC_FORMAT, 2);
    EXPECT_EQ(CTessarinDocManager::Selection().encoding, EncodingId::Utf16Le);
    EXPECT_EQ(CTessarinDocManager::Selection().lineEnding, LineEndingId::Cr);
    host.Pick(IDC_FORMAT, -1); // no position: the line ending stays
    EXPECT_EQ(CTessarinDocManager::Selection().lineEnding, LineEndingId::Cr);

    auto hook = [&](UINT message, WPARAM wParam) {
        return CTessarinDocManager::SaveHookProc(host.Panel(), message, wParam, 0);
    };
    EXPECT_EQ(hook(WM_COMMAND, MAKEWPARAM(IDC_ENCODING, CBN_SELCHANGE)), static_cast<UINT_PTR>(TRUE));
    EXPECT_EQ(hook(WM_COMMAND, MAKEWPARAM(IDC_ENCODING, CBN_DROPDOWN)), 0u);
    EXPECT_EQ(hook(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED)), 0u);
}

TEST(SavePanel, HelpOnEitherListShowsItsTextAtTheListsCorner) {
    CTessarinDocManager::Selection() = {};
    CPanelHost host(IDD_SAVE_ENCODING, AsDlgProc(CTessarinDocManager::SaveHookProc));
    ::SetWindowPos(host.Parent(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    struct Case {
        int nID;
        const wchar_t* pszText;
    };
    const Case cases[] = {
        {IDC_ENCODING,
         L"利用可能なファイル形式の一覧が表示されます。Orvessaのファイルは、SJIS、ISO-2022-JP、EUC、UTF-8、"
         L"UTF-16、またはUTF-32形式で保存できます。"},
        {IDC_FORMAT,
         L"利用可能なフォーマット形式の一覧が表示されます。Orvessaのファイルは、CRLF（Windows）、LF（Unix）、"
         L"CR（Mac）形式で保存できます。"},
    };
    for (const Case& c : cases) {
        HELPINFO help{sizeof help, HELPINFO_WINDOW, c.nID, host.List(c.nID), 0, {}};
        EXPECT_EQ(CTessarinDocManager::SaveHookProc(host.Panel(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)),
                  static_cast<UINT_PTR>(TRUE));
        HWND hPopup = GetContextHelpPopup(); // Wine's help viewer shows none: ours stands in
        ASSERT_NE(hPopup, nullptr);
        wchar_t szText[512] = {};
        ::GetWindowTextW(hPopup, szText, 512);
        EXPECT_STREQ(szText, c.pszText);
        RECT rcList{}, rcPopup{};
        ::GetWindowRect(host.List(c.nID), &rcList);
        ::GetWindowRect(hPopup, &rcPopup);
        EXPECT_EQ(rcPopup.left, rcList.left);
        EXPECT_EQ(rcPopup.top, rcList.top);
    }
    ::DestroyWindow(GetContextHelpPopup());

    HWND hLabel = ::GetWindow(host.Panel(), GW_CHILD); // the first label
    HELPINFO help{sizeof help, HELPINFO_WINDOW, -1, hLabel, 0, {}};
    EXPECT_EQ(CTessarinDocManager::SaveHookProc(host.Panel(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 0u);
    EXPECT_EQ(GetContextHelpPopup(), nullptr);
}

// --- The real common dialogs, worked from a second thread ---------------------------------------------

namespace {

constexpr int kFileNameCombo = 0x47c; // cmb13
constexpr int kFileNameEdit = 0x480;  // edt1

bool WaitFor(const std::function<bool()>& cond, DWORD dwTimeoutMs = 10000) {
    DWORD dwStart = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        ::Sleep(10);
    }
    return true;
}

HWND FindDescendant(HWND hParent, int nID, const wchar_t* pszClass) {
    struct Search {
        int nID;
        const wchar_t* pszClass;
        HWND hFound;
    } search{nID, pszClass, nullptr};
    ::EnumChildWindows(
        hParent,
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* p = reinterpret_cast<Search*>(lParam);
            wchar_t szClass[64] = {};
            ::GetClassNameW(hWnd, szClass, 64);
            if ((p->nID == -1 || ::GetDlgCtrlID(hWnd) == p->nID) && _wcsicmp(szClass, p->pszClass) == 0) {
                p->hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

// Runs `work` on a second thread against the file dialog that the calling thread shows in `show`;
// whatever `work` does, the dialog is closed in the end (Cancel) so `show` cannot hang.
class CDialogWorker {
public:
    bool Run(const std::function<bool()>& show, const std::function<void(HWND)>& work) {
        const DWORD dwThread = ::GetCurrentThreadId();
        std::thread worker([&] {
            HWND hDlg = nullptr;
            WaitFor([&] {
                ::EnumThreadWindows(
                    dwThread,
                    [](HWND hWnd, LPARAM lParam) -> BOOL {
                        if (::IsWindowVisible(hWnd) && FindDescendant(hWnd, IDC_ENCODING, L"ComboBox")) {
                            *reinterpret_cast<HWND*>(lParam) = hWnd;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&hDlg));
                return hDlg != nullptr;
            });
            if (!hDlg)
                return;
            m_hDlg = hDlg;
            work(hDlg);
            // Still open: the work failed or meant to cancel.
            while (::IsWindow(hDlg) && ::IsWindowVisible(hDlg)) {
                ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDCANCEL)));
                WaitFor([&] { return !::IsWindow(hDlg) || !::IsWindowVisible(hDlg); }, 2000);
            }
        });
        bool bResult = show();
        worker.join();
        return bResult;
    }
    HWND m_hDlg = nullptr;
};

HWND FileNameField(HWND hDlg) {
    if (HWND hEdit = FindDescendant(hDlg, kFileNameEdit, L"Edit"))
        return hEdit;
    HWND hCombo = FindDescendant(hDlg, kFileNameCombo, L"ComboBox");
    return hCombo ? FindDescendant(hCombo, -1, L"Edit") : nullptr;
}

void SetName(HWND hDlg, const std::wstring& strName) {
    ::SendMessageW(FileNameField(hDlg), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strName.c_str()));
}

int ComboPos(HWND hDlg, int nID) {
    return static_cast<int>(::SendMessageW(FindDescendant(hDlg, nID, L"ComboBox"), CB_GETCURSEL, 0, 0));
}

void PickCombo(HWND hDlg, int nID, int n) {
    HWND hCombo = FindDescendant(hDlg, nID, L"ComboBox");
    ::SendMessageW(hCombo, CB_SETCURSEL, static_cast<WPARAM>(n), 0);
    ::SendMessageW(::GetParent(hCombo), WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hCombo));
}

void PressOk(HWND hDlg) {
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, IDOK)));
    WaitFor([&] { return !::IsWindow(hDlg) || !::IsWindowVisible(hDlg); });
}

std::wstring WindowText(HWND hWnd) {
    std::wstring str(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    str.resize(static_cast<size_t>(::GetWindowTextW(hWnd, str.data(), static_cast<int>(str.size()))));
    return str;
}

} // namespace

TEST(FileDialogs, OpenStartsFromDetectionAndReturnsTheConfirmedEncoding) {
    CTempDir dir;
    Write(dir.File(L"a.txt"), {'a'});
    std::wstring strName = L"*.txt";
    FileDialogFormat format{EncodingId::Utf16Le, LineEndingId::Cr}; // not where Open starts
    int nStartPos = -2;
    std::wstring strTitle, strStartName;
    CDialogWorker worker;
    bool bOK = worker.Run(
        [&] {
            return CTessarinDocManager::RunFileDialog(nullptr, strName, AFX_IDS_OPENFILE,
                                                      OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, true, format);
        },
        [&](HWND hDlg) {
            nStartPos = ComboPos(hDlg, IDC_ENCODING);
            strTitle = WindowText(hDlg);
            strStartName = WindowText(FileNameField(hDlg));
            PickCombo(hDlg, IDC_ENCODING, 1);
            SetName(hDlg, dir.File(L"a.txt"));
            PressOk(hDlg);
        });
    EXPECT_TRUE(bOK);
    EXPECT_EQ(nStartPos, 0);
    EXPECT_EQ(strTitle, L"開く");
    EXPECT_EQ(strStartName, L"*.txt");
    EXPECT_EQ(_wcsicmp(strName.c_str(), dir.File(L"a.txt").c_str()), 0) << std::string(strName.begin(), strName.end());
    EXPECT_EQ(format.encoding, EncodingId::EucJp);
    EXPECT_EQ(format.lineEnding, LineEndingId::Crlf);
}

TEST(FileDialogs, CancelLeavesTheFormatAlone) {
    for (bool bOpen : {true, false}) {
        std::wstring strName = bOpen ? L"*.txt" : L"x.txt";
        FileDialogFormat format{EncodingId::Utf32Be, LineEndingId::Cr};
        CDialogWorker worker;
        bool bOK = worker.Run(
            [&] {
                return CTessarinDocManager::RunFileDialog(nullptr, strName, bOpen ? AFX_IDS_OPENFILE : AFX_IDS_SAVEFILE,
                                                          OFN_HIDEREADONLY, bOpen, format);
            },
            [&](HWND hDlg) {
                PickCombo(hDlg, IDC_ENCODING, 4);
                if (!bOpen)
                    PickCombo(hDlg, IDC_FORMAT, 1);
            }); // closed with Cancel
        EXPECT_NE(worker.m_hDlg, nullptr);
        EXPECT_FALSE(bOK);
        EXPECT_EQ(format.encoding, EncodingId::Utf32Be);
        EXPECT_EQ(format.lineEnding, LineEndingId::Cr);
    }
}

TEST(FileDialogs, SaveAsStartsFromTheGivenPairAndAddsTheTextExtension) {
    CTempDir dir;
    std::wstring strName = dir.File(L"start.txt");
    FileDialogFormat format{EncodingId::Utf8N, LineEndingId::Lf};
    int nEncoding = -2, nLineEnding = -2;
    std::wstring strTitle, strStartName;
    CDialogWorker worker;
    bool bOK = worker.Run(
        [&] {
            return CTessarinDocManager::RunFileDialog(nullptr, strName, AFX_IDS_SAVEFILE,
                                                      OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, false, format);
        },
        [&](HWND hDlg) {
            nEncoding = ComboPos(hDlg, IDC_ENCODING);
            nLineEnding = ComboPos(hDlg, IDC_FORMAT);
            strTitle = WindowText(hDlg);
            PickCombo(hDlg, IDC_ENCODING, 8);
            PickCombo(hDlg, IDC_FORMAT, 2);
            SetName(hDlg, dir.File(L"out"));
            PressOk(hDlg);
        });
    EXPECT_TRUE(bOK);
    EXPECT_EQ(nEncoding, 4);
    EXPECT_EQ(nLineEnding, 1);
    EXPECT_EQ(strTitle, L"名前を付けて保存");
    EXPECT_EQ(_wcsicmp(strName.c_str(), dir.File(L"out.txt").c_str()), 0)
        << std::string(strName.begin(), strName.end());
    EXPECT_EQ(format.encoding, EncodingId::Utf16Le);
    EXPECT_EQ(format.lineEnding, LineEndingId::Cr);
}
