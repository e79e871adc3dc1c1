// The editor on screens of 144 and 192 DPI (the prefix's LogPixels, which Wine reads when a program
// starts): every label and button of the main surfaces shows its whole text, the status bar's panes
// hold theirs, the results pane's gripper and close button grew with the DPI, and a WM_DPICHANGED
// (a move to a monitor of another DPI, which Wine never sends itself) makes the window, its bars and
// its font follow. With TESSARIN_SCREENSHOT_DIR set (a Unix folder; scripts/screenshots), the run at
// 144 DPI also takes the screenshots of the documentation there.
#include "TessarinApp.h"
#include "ScreenPixels.h"
#include "UnixShell.h"
#include "framework/FrameworkIds.h"
#include "framework/GdiHandles.h"
#include "res/resource.h"
#include <commctrl.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>

using namespace e2e;

namespace {

std::vector<unsigned char> Utf8Bom(const std::wstring& text) {
    std::vector<unsigned char> bytes{0xEF, 0xBB, 0xBF};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    bytes.resize(3 + static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                          reinterpret_cast<char*>(bytes.data() + 3), n, nullptr, nullptr);
    return bytes;
}

int Scale(int n, UINT nDpi) {
    return ::MulDiv(n, static_cast<int>(nDpi), 96);
}

// The DPI every program started in the prefix from now on sees, put back at the end of the scope.
class CLogPixels {
public:
    explicit CLogPixels(DWORD nDpi) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr);
        DWORD nOld = 0, cb = sizeof nOld, dwType = 0;
        if (::RegQueryValueExW(m_hKey, kValue, nullptr, &dwType, reinterpret_cast<BYTE*>(&nOld), &cb) ==
                ERROR_SUCCESS &&
            dwType == REG_DWORD)
            m_old = nOld;
        ::RegSetValueExW(m_hKey, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nDpi), sizeof nDpi);
    }
    ~CLogPixels() {
        if (m_old)
            ::RegSetValueExW(m_hKey, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*m_old), sizeof(DWORD));
        else
            ::RegDeleteValueW(m_hKey, kValue);
        ::RegCloseKey(m_hKey);
    }
    CLogPixels(const CLogPixels&) = delete;
    CLogPixels& operator=(const CLogPixels&) = delete;

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Desktop";
    static constexpr const wchar_t* kValue = L"LogPixels";
    HKEY m_hKey = nullptr;
    std::optional<DWORD> m_old;
};

// The font a dialog template names (DS_SETFONT), read from the built program.
struct TemplateFont {
    std::wstring strFace;
    int nPoints = 0;
    int nWeight = FW_NORMAL;
    bool bItalic = false;
};

const wchar_t* SkipSzOrOrd(const wchar_t* p) {
    if (*p == 0xFFFF)
        return p + 2;
    while (*p)
        ++p;
    return p + 1;
}

std::optional<TemplateFont> DialogTemplateFont(int nTemplate) {
    HMODULE hExe = ::LoadLibraryExW(TessarinExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!hExe)
        return std::nullopt;
    std::optional<TemplateFont> font;
    if (HRSRC hRes = ::FindResourceW(hExe, MAKEINTRESOURCEW(nTemplate), MAKEINTRESOURCEW(5))) {
        const auto* pWords = static_cast<const WORD*>(::LockResource(::LoadResource(hExe, hRes)));
        const bool bEx = pWords[1] == 0xFFFF;
        // DLGTEMPLATEEX: version, signature, help id, extended style, style; DLGTEMPLATE: style,
        // extended style. Then the item count and the four coordinates.
        const auto* pBytes = reinterpret_cast<const BYTE*>(pWords);
        DWORD dwStyle = 0;
        std::memcpy(&dwStyle, pBytes + (bEx ? 12 : 0), sizeof dwStyle);
        const auto* p = reinterpret_cast<const wchar_t*>(pBytes + (bEx ? 26 : 18));
        p = SkipSzOrOrd(SkipSzOrOrd(SkipSzOrOrd(p))); // menu, class, caption
        if (dwStyle & DS_SETFONT) {
            TemplateFont f;
            f.nPoints = *p++;
            if (bEx) {
                f.nWeight = *p++;
                f.bItalic = (*p & 0xFF) != 0;
                ++p;
            }
            f.strFace = p;
            font = f;
        }
    }
    ::FreeLibrary(hExe);
    return font;
}

// The template's font as the dialog manager makes it at nDpi.
CFontHandle MakeDialogFont(const TemplateFont& font, UINT nDpi, bool bUnderline = false) {
    return CFontHandle(::CreateFontW(-::MulDiv(font.nPoints, static_cast<int>(nDpi), 72), 0, 0, 0, font.nWeight,
                                     font.bItalic, bUnderline, FALSE, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, FF_DONTCARE,
                                     font.strFace.c_str()));
}

// The rectangle a text takes in a font: on one line, or broken into lines no wider than cxWrap.
SIZE TextSize(HFONT hFont, const std::wstring& strText, UINT nFormat, int cxWrap = 0) {
    CClientDC dc(nullptr);
    CSelectObject select(dc.Get(), hFont);
    RECT rc{0, 0, cxWrap, 0};
    ::DrawTextW(dc.Get(), strText.c_str(), static_cast<int>(strText.size()), &rc,
                nFormat | DT_CALCRECT | (cxWrap ? DT_WORDBREAK : DT_SINGLELINE));
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::wstring Describe(HWND h) {
    return L"control " + std::to_wstring(::GetDlgCtrlID(h)) + L" \"" + WindowText(h) + L"\"";
}

// Labels and buttons among the children of `parent` whose text does not fit: the text measured in
// the template's font at nDpi against the control's client area. Static texts that wrap may take
// several lines where the control has room for them; a check box or radio button also holds its box.
// `shown` gives the text a control paints where it is not its window text (the About box's link).
std::vector<std::wstring> ClippedTexts(HWND parent, int nTemplate, UINT nDpi,
                                       const std::vector<std::pair<int, std::wstring>>& shown = {}) {
    std::vector<std::wstring> clipped;
    std::optional<TemplateFont> font = DialogTemplateFont(nTemplate);
    if (!font)
        return {L"template " + std::to_wstring(nTemplate) + L" names no font"};
    CFontHandle hFont = MakeDialogFont(*font, nDpi), hUnderlined = MakeDialogFont(*font, nDpi, true);
    for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(h))
            continue;
        RECT rc{};
        ::GetClientRect(h, &rc);
        const std::wstring strClass = WindowClass(h);
        const DWORD dwStyle = static_cast<DWORD>(::GetWindowLongW(h, GWL_STYLE));
        std::wstring strText = WindowText(h);
        auto it = std::find_if(shown.begin(), shown.end(), [&](const auto& s) { return s.first == ::GetDlgCtrlID(h); });
        SIZE need{};
        if (it != shown.end()) {
            need = TextSize(hUnderlined.Get(), it->second, DT_NOPREFIX);
            need.cx += Scale(1, nDpi); // drawn one pixel in, for the focus rectangle
        } else if (strText.empty()) {
            continue;
        } else if (::lstrcmpiW(strClass.c_str(), L"Static") == 0) {
            const DWORD dwType = dwStyle & SS_TYPEMASK;
            if (dwType != SS_LEFT && dwType != SS_CENTER && dwType != SS_RIGHT && dwType != SS_LEFTNOWORDWRAP &&
                dwType != SS_SIMPLE)
                continue;
            const UINT nPrefix = (dwStyle & SS_NOPREFIX) ? DT_NOPREFIX : 0;
            const SIZE line = TextSize(hFont.Get(), strText, nPrefix);
            const bool bWraps = dwType != SS_LEFTNOWORDWRAP && dwType != SS_SIMPLE && rc.bottom >= 2 * line.cy;
            need = bWraps ? TextSize(hFont.Get(), strText, nPrefix, rc.right) : line;
        } else if (::lstrcmpiW(strClass.c_str(), L"Button") == 0) {
            const SIZE text = TextSize(hFont.Get(), strText, 0);
            switch (dwStyle & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON: need = SIZE{text.cx + Scale(4, nDpi), text.cy}; break;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
            case BS_3STATE:
            case BS_AUTO3STATE: need = SIZE{text.cx + Scale(13 + 3, nDpi), text.cy}; break;
            case BS_GROUPBOX: need = SIZE{text.cx + Scale(2 * 8, nDpi), text.cy}; break;
            default: continue;
            }
        } else {
            continue;
        }
        if (need.cx > rc.right || need.cy > rc.bottom) {
            std::wstringstream out;
            out << Describe(h) << L" needs " << need.cx << L"x" << need.cy << L", has " << rc.right << L"x"
                << rc.bottom;
            clipped.push_back(out.str());
        }
    }
    return clipped;
}

std::string Narrow(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const std::wstring& line : lines) {
        int n = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                      nullptr);
        std::string s(static_cast<size_t>(n), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), s.data(), n, nullptr, nullptr);
        out += "\n  " + s;
    }
    return out;
}

RECT WindowRect(HWND h) {
    RECT rc{};
    ::GetWindowRect(h, &rc);
    return rc;
}

RECT ClientScreenRect(HWND h) {
    RECT rc{};
    ::GetClientRect(h, &rc);
    ::MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// The status font the system gives a program at nDpi (what the status bar should show).
CFontHandle StatusFont(UINT nDpi) {
    using PFN = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    auto pfn = reinterpret_cast<PFN>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    if (!pfn || !pfn(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0, nDpi))
        return CFontHandle();
    return CFontHandle(::CreateFontIndirectW(&ncm.lfStatusFont));
}

// A string of the built program's string table.
std::wstring ProgramString(UINT nID) {
    HMODULE hExe = ::LoadLibraryExW(TessarinExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const wchar_t* p = nullptr;
    const int n = hExe ? ::LoadStringW(hExe, nID, reinterpret_cast<LPWSTR>(&p), 0) : 0;
    std::wstring str = n > 0 ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
    if (hExe)
        ::FreeLibrary(hExe);
    return str;
}

class HighDpiE2E : public TessarinE2E {
protected:
    // The panes whose text (or, for the key locks, whose text when the lock is on) does not fit.
    std::vector<std::wstring> ClippedStatusPanes(UINT nDpi) {
        std::vector<std::wstring> clipped;
        HWND bar = StatusBar();
        CFontHandle font = StatusFont(nDpi);
        if (!bar || !font)
            return {L"no status bar or status font"};
        CRemoteMemory remote = m_app.Alloc(sizeof(RECT));
        const UINT kLocks[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL, ID_INDICATOR_KANA};
        const int nPanes = StatusPaneCount(bar);
        for (int i = 1; i < nPanes; ++i) {
            std::wstring strText = StatusPaneText(bar, i);
            strText.erase(std::remove(strText.begin(), strText.end(), L'\t'), strText.end());
            if (i >= 3 && i - 3 < 4)
                strText = ProgramString(kLocks[i - 3]);
            RECT rc{};
            if (!SendTimed(bar, SB_GETRECT, static_cast<WPARAM>(i), remote.AsLParam()) || !remote.Read(&rc, sizeof rc))
                return {L"SB_GETRECT failed"};
            const SIZE need = TextSize(font.Get(), strText, DT_NOPREFIX);
            // The pane's sunken edge on each side.
            if (need.cx + Scale(4, nDpi) > rc.right - rc.left || need.cy > rc.bottom - rc.top) {
                std::wstringstream out;
                out << L"pane " << i << L" \"" << strText << L"\" needs " << need.cx << L"x" << need.cy << L", has "
                    << rc.right - rc.left << L"x" << rc.bottom - rc.top;
                clipped.push_back(out.str());
            }
        }
        return clipped;
    }

    // The close button's box in the pane's non-client area, as the pane's hit test answers.
    RECT CloseButtonRect(HWND pane) {
        const RECT rcWindow = WindowRect(pane), rcClient = ClientScreenRect(pane);
        RECT found{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (LONG y = rcWindow.top; y < std::min(rcWindow.bottom, rcClient.top + 60); ++y)
            for (LONG x = rcWindow.left; x < rcClient.left; ++x) {
                LRESULT nHit = 0;
                if (SendTimed(pane, WM_NCHITTEST, 0, MAKELPARAM(x, y), &nHit) && nHit == HTCLOSE) {
                    found = RECT{std::min(found.left, x), std::min(found.top, y), std::max(found.right, x + 1),
                                 std::max(found.bottom, y + 1)};
                }
            }
        return found.left == LONG_MAX ? RECT{} : found;
    }

    // The docked pane's gripper strip (inset and gripper) and close button have their size at nDpi.
    void CheckPaneGripper(UINT nDpi) {
        HWND pane = ResultsPane();
        ASSERT_NE(pane, nullptr);
        const RECT rcWindow = WindowRect(pane), rcClient = ClientScreenRect(pane);
        EXPECT_EQ(rcClient.left - rcWindow.left, Scale(5, nDpi) + Scale(12, nDpi)) << "inset and gripper at " << nDpi;
        const RECT rcClose = CloseButtonRect(pane);
        EXPECT_EQ(rcClose.right - rcClose.left, Scale(11, nDpi)) << "close button at " << nDpi;
        EXPECT_EQ(rcClose.bottom - rcClose.top, Scale(11, nDpi)) << "close button at " << nDpi;
    }

    // The distance between the first two rows of the view.
    int ViewLineHeight() {
        LRESULT nFirst = 0, nSecond = 0, nIndex = 0;
        if (!SendTimed(Edit(), EM_LINEINDEX, 1, 0, &nIndex) || !SendTimed(Edit(), EM_POSFROMCHAR, 0, 0, &nFirst) ||
            !SendTimed(Edit(), EM_POSFROMCHAR, static_cast<WPARAM>(nIndex), 0, &nSecond))
            return 0;
        return static_cast<short>(HIWORD(nSecond)) - static_cast<short>(HIWORD(nFirst));
    }

    // Tells the main window it is now on a monitor of nDpi, with the rectangle the system would
    // suggest: the same window in points, as far as the screen (where Wine keeps it) has room.
    bool SendDpiChanged(UINT nDpi, UINT nFromDpi, HWND hWnd = nullptr) {
        hWnd = hWnd ? hWnd : m_hWndMain;
        const RECT rc = WindowRect(hWnd);
        const RECT rcSuggested{rc.left, rc.top,
                               rc.left + std::min<LONG>(::MulDiv(rc.right - rc.left, nDpi, nFromDpi), 1280 - rc.left),
                               rc.top + std::min<LONG>(::MulDiv(rc.bottom - rc.top, nDpi, nFromDpi), 1000 - rc.top)};
        CRemoteMemory remote = m_app.Alloc(sizeof(RECT));
        return remote.Write(&rcSuggested, sizeof rcSuggested) &&
               SendTimed(hWnd, WM_DPICHANGED, MAKEWPARAM(nDpi, nDpi), remote.AsLParam()) &&
               WaitUntil([&] {
                   const RECT rcNow = WindowRect(hWnd);
                   return rcNow.right == rcSuggested.right && rcNow.bottom == rcSuggested.bottom;
               });
    }

    // With TESSARIN_SCREENSHOT_DIR set: the screen's part under the windows, as docs/<name>.png.
    void Screenshot(const char* pszName, std::initializer_list<HWND> windows) {
        const char* pszDir = std::getenv("TESSARIN_SCREENSHOT_DIR");
        if (!pszDir || !*pszDir)
            return;
        RECT rc{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (HWND h : windows) {
            const RECT r = WindowRect(h);
            rc = RECT{std::min(rc.left, r.left), std::min(rc.top, r.top), std::max(rc.right, r.right),
                      std::max(rc.bottom, r.bottom)};
        }
        rc.left = std::max(0L, rc.left);
        rc.top = std::max(0L, rc.top);
        // Painted and settled before the screen is read.
        for (HWND h : windows)
            SettledScreenPixels(h);
        std::ostringstream geometry;
        geometry << rc.right - rc.left << "x" << rc.bottom - rc.top << "+" << rc.left << "+" << rc.top;
        const std::string path = std::string(pszDir) + "/" + pszName + ".png";
        auto result = RunUnixShell("import -window root -crop " + geometry.str() + " +repage " + ShellQuote(path));
        EXPECT_TRUE(result && result->status == 0)
            << "screenshot " << pszName << ": " << (result ? result->output : "");
    }

    // Opens a dialog, checks its texts, and cancels it.
    void CheckDialog(UINT nCommand, const wchar_t* pszCaption, int nTemplate, UINT nDpi) {
        ASSERT_TRUE(m_app.PostCommand(nCommand));
        HWND dlg = m_app.WaitForDialog([pszCaption](HWND h) { return WindowText(h) == pszCaption; });
        ASSERT_NE(dlg, nullptr);
        std::vector<std::wstring> clipped = ClippedTexts(dlg, nTemplate, nDpi);
        EXPECT_TRUE(clipped.empty()) << "template " << nTemplate << " at " << nDpi << Narrow(clipped);
        ASSERT_TRUE(PressButton(dlg, IDCANCEL));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    }

    // Every surface at nDpi: the main window and its status bar, Find, Find in files with the docked
    // results pane, Save As with its panel, About with its link.
    void WalkSurfaces(UINT nDpi) {
        CLogPixels logPixels(nDpi);
        const std::wstring strFile = m_dir.File(L"メモ.txt");
        WriteAllBytes(strFile, Utf8Bom(L"高解像度の画面で読む日本語のテキスト\r\nTODO: 表示の確認\r\n"));
        // The status bar shown, the window as large in points at every DPI where the screen has room
        // (1280 by 1024 pixels), and a font chosen (12 points) as after a first run.
        ASSERT_TRUE(WriteUserDword(L"StatusBar", 1));
        ASSERT_TRUE(WriteUserDword(L"iPointSize", 120));
        ASSERT_TRUE(WriteUserString(L"lfFaceName", L"MS Gothic"));
        ASSERT_TRUE(WriteUserDword(L"lfCharSet", SHIFTJIS_CHARSET));
        ASSERT_TRUE(WriteUserDword(L"iWindowPosX", 0));
        ASSERT_TRUE(WriteUserDword(L"iWindowPosY", 0));
        ASSERT_TRUE(WriteUserDword(L"iWindowPosDX", static_cast<DWORD>(std::min(Scale(800, nDpi), 1280))));
        ASSERT_TRUE(WriteUserDword(L"iWindowPosDY", static_cast<DWORD>(std::min(Scale(560, nDpi), 1000))));
        ASSERT_NE(Launch(L"\"" + strFile + L"\""), nullptr);
        ASSERT_TRUE(WaitUntil([&] { return !StatusPaneText(StatusBar(), 1).empty(); }));
        EXPECT_EQ(ClippedStatusPanes(nDpi), std::vector<std::wstring>{}) << Narrow(ClippedStatusPanes(nDpi));
        Screenshot("hidpi-main", {m_hWndMain});

        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND));
        HWND find = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"検索"; });
        ASSERT_NE(find, nullptr);
        ASSERT_TRUE(SetItemText(find, IDC_FIND_WHAT, L"TODO"));
        std::vector<std::wstring> clipped = ClippedTexts(find, IDD_FIND, nDpi);
        EXPECT_TRUE(clipped.empty()) << "Find at " << nDpi << Narrow(clipped);
        Screenshot("hidpi-find", {m_hWndMain, find});
        ASSERT_TRUE(PressButton(find, IDCANCEL));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(find));

        CheckDialog(ID_EDIT_REPLACE, L"置換", IDD_REPLACE, nDpi);
        CheckDialog(ID_EDIT_GOTO_LINE, L"行へ移動", IDD_GOTO_LINE, nDpi);

        ASSERT_TRUE(m_app.PostCommand(ID_EDIT_FIND_IN_FILES));
        HWND fif = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"ファイルから検索"; });
        ASSERT_NE(fif, nullptr);
        ASSERT_TRUE(SetItemText(fif, IDC_FIND_WHAT, L"TODO"));
        ASSERT_TRUE(SetItemText(fif, IDC_FIF_FILE_TYPES, L"*.txt"));
        ASSERT_TRUE(SetItemText(fif, IDC_FIF_FOLDER, m_dir.Path()));
        clipped = ClippedTexts(fif, IDD_FIND_IN_FILES, nDpi);
        EXPECT_TRUE(clipped.empty()) << "Find in files at " << nDpi << Narrow(clipped);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(fif, IDOK)) != FALSE; }));
        Screenshot("hidpi-find-in-files-dialog", {m_hWndMain, fif});
        ASSERT_TRUE(PressButton(fif, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(fif));
        ASSERT_TRUE(WaitUntil([&] { return WindowText(ResultsEdit()).find(L"TODO: 表示の確認") != std::wstring::npos; }));
        CheckPaneGripper(nDpi);
        Screenshot("hidpi-find-in-files", {m_hWndMain});

        ASSERT_TRUE(m_app.PostCommand(ID_FILE_SAVE_AS));
        HWND saveAs = m_app.WaitForFileDialog();
        ASSERT_NE(saveAs, nullptr);
        HWND list = FindCombo(saveAs, IDC_ENCODING);
        ASSERT_NE(list, nullptr);
        clipped = ClippedTexts(::GetParent(list), IDD_SAVE_ENCODING, nDpi);
        EXPECT_TRUE(clipped.empty()) << "Save As panel at " << nDpi << Narrow(clipped);
        Screenshot("hidpi-save-as", {m_hWndMain, saveAs});
        ASSERT_TRUE(PressButton(saveAs, IDCANCEL));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(saveAs));

        ASSERT_TRUE(m_app.PostCommand(ID_APP_ABOUT));
        HWND about = m_app.WaitForDialog([](HWND h) { return WindowText(h) == L"Tessarin のバージョン情報"; });
        ASSERT_NE(about, nullptr);
        clipped = ClippedTexts(about, IDD_ABOUTBOX, nDpi, {{IDC_ABOUT_LINK, ProgramString(IDS_ABOUT_URL)}});
        EXPECT_TRUE(clipped.empty()) << "About at " << nDpi << Narrow(clipped);
        Screenshot("hidpi-about", {m_hWndMain, about});
        ASSERT_TRUE(PressButton(about, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(about));
    }

    // The window moves to a monitor of another DPI and back: the bars, the pane and the
    // view's font follow each time.
    void FollowDpiChanges(UINT nDpi, UINT nOtherDpi) {
        const int nLineHeight = ViewLineHeight();
        ASSERT_GT(nLineHeight, 0);
        for (auto [nTo, nFrom] : {std::pair{nOtherDpi, nDpi}, std::pair{nDpi, nOtherDpi}}) {
            SCOPED_TRACE(testing::Message() << "moved from " << nFrom << " to " << nTo << " DPI");
            ASSERT_TRUE(SendDpiChanged(nTo, nFrom));
            CheckPaneGripper(nTo);
            EXPECT_EQ(ClippedStatusPanes(nTo), std::vector<std::wstring>{}) << Narrow(ClippedStatusPanes(nTo));
            const int nExpected = ::MulDiv(nLineHeight, static_cast<int>(nTo), static_cast<int>(nDpi));
            EXPECT_NEAR(ViewLineHeight(), nExpected, 2) << "the view's rows at " << nTo;
        }

        // Floating, the pane is on its own window's monitor: it follows that window's DPI.
        HWND pane = ResultsPane();
        ASSERT_TRUE(SendTimed(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, 0)); // docked: floats
        ASSERT_TRUE(WaitUntil([&] { return ::GetAncestor(pane, GA_ROOT) != m_hWndMain; }));
        HWND mini = ::GetAncestor(pane, GA_ROOT);
        auto floatingInset = [&] { return ClientScreenRect(pane).left - WindowRect(pane).left; };
        EXPECT_EQ(floatingInset(), Scale(3, nDpi));
        ASSERT_TRUE(SendDpiChanged(nOtherDpi, nDpi, mini));
        EXPECT_EQ(floatingInset(), Scale(3, nOtherDpi)) << "floating at " << nOtherDpi;
        ASSERT_TRUE(SendTimed(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, 0)); // floating: docks again
        ASSERT_TRUE(WaitUntil([&] { return ::GetAncestor(pane, GA_ROOT) == m_hWndMain; }));
        CheckPaneGripper(nDpi); // docked again: the frame's DPI
    }
};

} // namespace

TEST_F(HighDpiE2E, At96DpiEverySurfaceShowsItsTextsWholeAndFollowsAMoveTo144) {
    if (std::getenv("TESSARIN_SCREENSHOT_DIR"))
        GTEST_SKIP() << "the screenshots are taken at 144 DPI";
    WalkSurfaces(96);
    FollowDpiChanges(96, 144);
    ASSERT_TRUE(m_app.Close());
}

TEST_F(HighDpiE2E, At144DpiEverySurfaceShowsItsTextsWholeAndFollowsAMoveTo192) {
    WalkSurfaces(144);
    FollowDpiChanges(144, 192);
    ASSERT_TRUE(m_app.Close());
}

TEST_F(HighDpiE2E, At192DpiEverySurfaceShowsItsTextsWholeAndFollowsAMoveTo96) {
    if (std::getenv("TESSARIN_SCREENSHOT_DIR"))
        GTEST_SKIP() << "the screenshots are taken at 144 DPI";
    WalkSurfaces(192);
    FollowDpiChanges(192, 96);
    ASSERT_TRUE(m_app.Close());
}
