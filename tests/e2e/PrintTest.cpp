// Printing end to end: Tessarin.exe prints on the PDF printer from the command line (/pt with the
// printer named, /p on the default printer), and the PDF is read back: page count, header and
// footer codes, rows of long lines with and without word wrap, margins and alignment, and every
// character of the document exactly once, in order.
#include "PdfPrinter.h"
#include "Registry.h"
#include "TessarinApp.h"
#include "UnixShell.h"
#include <algorithm>
#include <cmath>
#include <cwctype>
#include <sstream>

using namespace e2e;

namespace {

// A printer font whose glyph names carry their characters, so pdftotext reads them back.
void UseReadableFont() {
    WriteUserString(L"lfFaceName", L"DejaVu Sans Mono");
    WriteUserDword(L"lfCharSet", ANSI_CHARSET);
    WriteUserDword(L"iPointSize", 100);
}

std::wstring WithoutBlanks(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text)
        if (!std::iswspace(ch))
            out += ch;
    return out;
}

// Margins are in hundredths of a millimetre under metric measurement, else thousandths of an inch.
bool IsMetricUser() {
    wchar_t szMeasure[4] = {};
    return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IMEASURE, szMeasure, 4) > 0 && szMeasure[0] == L'0';
}

std::vector<unsigned char> Utf16WithBom(const std::wstring& text) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<unsigned char>(ch & 0xFF));
        bytes.push_back(static_cast<unsigned char>(ch >> 8));
    }
    return bytes;
}

} // namespace

class PrintE2E : public TessarinE2E {
protected:
    void SetUp() override {
        TessarinE2E::SetUp();
        if (IsSkipped())
            return;
        const std::string problem = PdfPrinterProblem();
        if (!problem.empty())
            GTEST_FAIL() << problem;
    }

    // A file name stem of letters and digits, unique to this test and run.
    std::string Stem(const char* pszName) const {
        return std::string("tsr") + pszName + std::to_string(::GetCurrentProcessId());
    }

    // Writes `text` as UTF-16 with a byte-order mark, prints it with `verb` ("/pt" names the PDF
    // printer, "/p" uses the default one), checks that the program ends, and reads the PDF.
    std::optional<PdfDocument> Print(const std::wstring& text, const std::string& stem, const wchar_t* verb = L"/pt") {
        const std::wstring file = m_dir.File(std::wstring(stem.begin(), stem.end()) + L".txt");
        WriteAllBytes(file, Utf16WithBom(text));
        ForgetPrintedPdfs(stem);
        std::wstring args = std::wstring(verb) + L" \"" + file + L"\"";
        if (std::wstring(verb) == L"/pt")
            args += L" \"" + PdfPrinterName() + L"\" \"winspool\" \"Ne00:\"";
        if (!m_app.Start(TessarinExePath(), args, m_dir.Path()))
            return std::nullopt;
        EXPECT_TRUE(m_app.WaitForExit()) << "the program did not end after printing";
        return WaitForPrintedPdf(stem);
    }

    // Rows of a page between its header and footer rows.
    static std::vector<std::wstring> BodyRows(const PdfPage& page, bool bHeader = true, bool bFooter = true) {
        std::vector<std::wstring> rows = page.Rows();
        if (bHeader && !rows.empty())
            rows.erase(rows.begin());
        if (bFooter && !rows.empty())
            rows.pop_back();
        return rows;
    }
};

TEST_F(PrintE2E, PagesCarryTheirCodesAndALongLineGoesOnInTheNextRow) {
    WriteUserString(L"szHeader", L"H&p+10");
    WriteUserString(L"szTrailer", L"F&p");
    UseReadableFont();
    std::wstring text;
    std::wstring digits;
    for (int i = 0; i < 40; ++i)
        digits += L"0123456789";
    for (int i = 1; i <= 160; ++i) {
        text += L"L" + std::to_wstring(i) + L" alpha beta\r\n";
        if (i == 5)
            text += L"LONG" + digits + L"END\r\n";
    }
    const std::string stem = Stem("codes");
    auto pdf = Print(text, stem);
    ASSERT_TRUE(pdf) << "no PDF came out";
    ASSERT_GE(pdf->nPages, 3);
    ASSERT_EQ(static_cast<int>(pdf->pages.size()), pdf->nPages);
    std::wstring printed;
    bool bContinued = false;
    for (int i = 0; i < pdf->nPages; ++i) {
        const std::vector<std::wstring> rows = pdf->pages[i].Rows();
        ASSERT_GE(rows.size(), 3u) << "page " << i + 1;
        EXPECT_EQ(rows.front(), L"H" + std::to_wstring(i + 11)) << "page " << i + 1;
        EXPECT_EQ(rows.back(), L"F" + std::to_wstring(i + 1)) << "page " << i + 1;
        for (const std::wstring& row : BodyRows(pdf->pages[i])) {
            printed += row;
            if (!row.empty() && row[0] >= L'0' && row[0] <= L'9')
                bContinued = true; // a row of the long line that does not start it
        }
    }
    EXPECT_TRUE(bContinued) << "the long line was not continued on a row of its own";
    EXPECT_EQ(WithoutBlanks(printed), WithoutBlanks(text));
}

TEST_F(PrintE2E, WordWrapBreaksBetweenWordsAndKeepsEveryWord) {
    WriteUserDword(L"fWrap", 1);
    WriteUserString(L"szHeader", L"");
    WriteUserString(L"szTrailer", L"");
    UseReadableFont();
    std::wstring text;
    for (int i = 100; i < 400; ++i)
        text += L"w" + std::to_wstring(i) + L"x ";
    text += L"\r\nlast";
    auto pdf = Print(text, Stem("wrap"));
    ASSERT_TRUE(pdf) << "no PDF came out";
    std::wstring joined;
    size_t nRows = 0;
    for (const PdfPage& page : pdf->pages) {
        for (const std::wstring& row : page.Rows()) {
            ++nRows;
            std::wistringstream words(row);
            std::wstring word;
            while (words >> word) {
                const bool bWhole = word == L"last" || (word.size() == 5 && word[0] == L'w' && word[4] == L'x');
                EXPECT_TRUE(bWhole) << "a word broken across rows: " << std::string(word.begin(), word.end());
                joined += word + L" ";
            }
        }
    }
    EXPECT_GT(nRows, 10u);
    EXPECT_EQ(WithoutBlanks(joined), WithoutBlanks(text));
}

TEST_F(PrintE2E, AnEmptyDocumentIsOnePageWithoutHeaderOrFooter) {
    UseReadableFont();
    auto pdf = Print(L"", Stem("empty"));
    ASSERT_TRUE(pdf) << "no PDF came out";
    EXPECT_EQ(pdf->nPages, 1);
    ASSERT_EQ(pdf->pages.size(), 1u);
    EXPECT_TRUE(pdf->pages[0].words.empty());
}

TEST_F(PrintE2E, AlignmentCodesAloneMoveNothingAndCentreIsOnThePrintableWidth) {
    UseReadableFont();
    WriteUserString(L"szTrailer", L"");
    auto firstRowTop = [&](const wchar_t* header, const char* name) -> double {
        WriteUserString(L"szHeader", header);
        auto pdf = Print(L"first\r\nsecond", Stem(name));
        if (!pdf || pdf->pages.empty() || pdf->pages[0].words.empty())
            return -1;
        return pdf->pages[0].words.front().yMin;
    };
    const double yNoHeader = firstRowTop(L"", "noheader");
    const double yCodesOnly = firstRowTop(L"&l&c&r", "codesonly");
    ASSERT_GT(yNoHeader, 0);
    EXPECT_NEAR(yCodesOnly, yNoHeader, 0.5);

    // Left margin 0 (below the printer's unprintable offset, which is 0 here) and a right margin
    // of 50 mm: the body starts at the paper's edge and the header is centred on the page.
    WriteUserString(L"szHeader", L"&cCENTRE");
    WriteUserDword(L"iMarginLeft", 0);
    WriteUserDword(L"iMarginRight", IsMetricUser() ? 5000 : 2000);
    auto pdf = Print(L"body", Stem("centre"));
    ASSERT_TRUE(pdf) << "no PDF came out";
    ASSERT_EQ(pdf->pages.size(), 1u);
    const PdfPage& page = pdf->pages[0];
    ASSERT_EQ(page.words.size(), 2u);
    const PdfWord& header = page.words[0].strText == L"CENTRE" ? page.words[0] : page.words[1];
    const PdfWord& body = page.words[0].strText == L"CENTRE" ? page.words[1] : page.words[0];
    EXPECT_NEAR((header.xMin + header.xMax) / 2, page.width / 2, 3.0);
    EXPECT_NEAR(body.xMin, 0.0, 1.5);
}

TEST_F(PrintE2E, SlashPPrintsOnTheDefaultPrinterAndEnds) {
    UseReadableFont();
    WriteUserString(L"szHeader", L"&f");
    const std::string stem = Stem("default");
    auto pdf = Print(L"printed by the shell's print verb", stem, L"/p");
    ASSERT_TRUE(pdf) << "nothing came out of the default printer (is the PDF printer the default?)";
    EXPECT_EQ(pdf->nPages, 1);
    ASSERT_FALSE(pdf->pages.empty());
    const std::vector<std::wstring> rows = pdf->pages[0].Rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::wstring(stem.begin(), stem.end()) + L".txt");
    EXPECT_EQ(rows[1], L"printed by the shell's print verb");
}

TEST_F(PrintE2E, PreviewShowsThePrintedPagesAndClosesWithTheTextUntouched) {
    CUserKeyReset profile(L"Software\\ovnaz\\Tessarin");
    WriteUserString(L"szHeader", L"&f");
    UseReadableFont();
    std::wstring text;
    for (int i = 1; i <= 150; ++i)
        text += L"row " + std::to_wstring(i) + L"\r\n";
    // The same document on paper first: the preview must count the same pages.
    const std::string stem = Stem("preview");
    auto pdf = Print(text, stem);
    ASSERT_TRUE(pdf) << "no PDF came out";
    ASSERT_GE(pdf->nPages, 3);
    const std::wstring count = std::to_wstring(pdf->nPages);

    ASSERT_NE(Launch(L"\"" + m_dir.File(std::wstring(stem.begin(), stem.end()) + L".txt") + L"\""), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_PRINT_PREVIEW));
    HWND preview = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (preview = FindDescendant(m_hWndMain, AFX_IDW_PREVIEW, nullptr)) != nullptr; }));
    auto shows = [&](const std::wstring& pages) {
        return WaitUntil([&] { return WindowText(preview) == pages + L" (全 " + count + L" ページ)"; });
    };
    EXPECT_TRUE(shows(L"ページ 1")) << "shows " << WindowText(preview).size();
    EXPECT_FALSE(::IsWindowVisible(Edit()));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_NEXT));
    EXPECT_TRUE(shows(L"ページ 2"));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_NEXT));
    EXPECT_TRUE(shows(L"ページ 3"));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_PREV));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_PREV));
    EXPECT_TRUE(shows(L"ページ 1"));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_NUMPAGE));
    EXPECT_TRUE(shows(L"ページ 1-2"));
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_NEXT));
    EXPECT_TRUE(shows(L"ページ 3")) << "two pages from page 3 of 3 show the last one alone";
    ASSERT_TRUE(PressButton(preview, AFX_ID_PREVIEW_CLOSE));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(preview) && ::IsWindowVisible(Edit()); }));
    EXPECT_EQ(WindowText(Edit()), text);
    ExitDiscarding();
    EXPECT_EQ(ReadUserDword(L"PreviewPages", L"Software\\ovnaz\\Tessarin\\Settings"), 2u);
}

// The page setup dialog works without printing, but its printer parts come from the installed
// printer: it runs with the PDF printer ready like the rest.
TEST_F(PrintE2E, PageSetupKeepsMarginsHeaderAndFooterAcrossARestartAndCancelKeepsAll) {
    ASSERT_NE(Launch(), nullptr);
    auto openDialog = [&]() -> HWND {
        if (!m_app.PostCommand(ID_FILE_PAGE_SETUP))
            return nullptr;
        return m_app.WaitForDialog([](HWND h) { return ::GetDlgItem(h, 1200) != nullptr; });
    };
    HWND dlg = openDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), L"ページの設定");
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1200)), L"&f");
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1201)), L"ページ(&P)");

    // Every label shows whole in the template's font.
    {
        HDC hdc = ::GetDC(nullptr);
        HFONT font = ::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                   SHIFTJIS_CHARSET, 0, 0, 0, 0, L"MS UI Gothic");
        HGDIOBJ old = ::SelectObject(hdc, font);
        for (HWND child : Descendants(dlg)) {
            wchar_t cls[32] = {};
            ::GetClassNameW(child, cls, 32);
            const LONG style = ::GetWindowLongW(child, GWL_STYLE);
            const bool bLabel = (lstrcmpiW(cls, L"Static") == 0 && (style & SS_TYPEMASK) == SS_LEFT) ||
                                (lstrcmpiW(cls, L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX);
            std::wstring label = WindowText(child);
            label.erase(std::remove(label.begin(), label.end(), L'&'), label.end());
            if (!bLabel || label.empty() || !::IsWindowVisible(child))
                continue;
            SIZE size{};
            ::GetTextExtentPoint32W(hdc, label.c_str(), static_cast<int>(label.size()), &size);
            RECT rc{};
            ::GetClientRect(child, &rc);
            const bool bBox = lstrcmpiW(cls, L"Button") == 0 && (style & BS_TYPEMASK) >= BS_CHECKBOX;
            const int nRoom = rc.right - (bBox ? 16 : 0); // a check box or radio button's own mark
            EXPECT_LE(size.cx, nRoom) << "label cut: " << std::string(label.begin(), label.end()).size() << " units";
        }
        ::SelectObject(hdc, old);
        ::DeleteObject(font);
        ::ReleaseDC(nullptr, hdc);
    }

    // Cancel after changes keeps everything.
    ASSERT_TRUE(::SetWindowTextW(::GetDlgItem(dlg, 1200), L"cancelled"));
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(m_app.WaitForWindowGone(dlg));
    dlg = openDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1200)), L"&f");
    const std::wstring leftBefore = WindowText(::GetDlgItem(dlg, 1155));

    // OK keeps new margins, header and footer, and a restart still has them.
    ASSERT_TRUE(::SetWindowTextW(::GetDlgItem(dlg, 1155), L"30"));
    ASSERT_TRUE(::SetWindowTextW(::GetDlgItem(dlg, 1200), L"&l&f &d"));
    ASSERT_TRUE(::SetWindowTextW(::GetDlgItem(dlg, 1201), L"&r- &p -"));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(m_app.WaitForWindowGone(dlg));
    ExitDiscarding();
    EXPECT_EQ(ReadUserString(L"szHeader"), L"&l&f &d");
    EXPECT_EQ(ReadUserString(L"szTrailer"), L"&r- &p -");
    EXPECT_EQ(ReadUserDword(L"iMarginLeft"), IsMetricUser() ? 3000u : 30000u) << "left was " << leftBefore.size();
    EXPECT_EQ(ReadUserDword(L"iMarginTop"), 2500u);

    ASSERT_NE(Launch(), nullptr);
    dlg = openDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1200)), L"&l&f &d");
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1201)), L"&r- &p -");
    // The field shows the number the way the dialog wrote it before ("20" or "20.00").
    const size_t nPoint = leftBefore.find(L'.');
    EXPECT_EQ(WindowText(::GetDlgItem(dlg, 1155)),
              L"30" + (nPoint != std::wstring::npos ? leftBefore.substr(nPoint) : std::wstring()));
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(m_app.WaitForWindowGone(dlg));
    ExitDiscarding();
}

TEST_F(PrintE2E, PrintCommandShowsThePrintDialogAndPrintsOnOk) {
    UseReadableFont();
    WriteUserString(L"szHeader", L"");
    WriteUserString(L"szTrailer", L"&p");
    const std::string stem = Stem("dialog");
    const std::wstring file = m_dir.File(std::wstring(stem.begin(), stem.end()) + L".txt");
    WriteAllBytes(file, Utf16WithBom(L"through the print dialog"));
    ForgetPrintedPdfs(stem);
    ASSERT_NE(Launch(L"\"" + file + L"\""), nullptr);
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_PRINT));
    HWND dlg = m_app.WaitForDialog();
    ASSERT_NE(dlg, nullptr) << "no print dialog";
    // Cancel prints nothing and leaves the program as it was.
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(m_app.WaitForWindowGone(dlg));
    ASSERT_TRUE(m_app.PostCommand(ID_FILE_PRINT));
    dlg = m_app.WaitForDialog();
    ASSERT_NE(dlg, nullptr) << "no print dialog the second time";
    ASSERT_TRUE(PressButton(dlg, IDOK));
    auto pdf = WaitForPrintedPdf(stem);
    ASSERT_TRUE(pdf) << "nothing printed after OK";
    EXPECT_EQ(pdf->nPages, 1);
    ASSERT_FALSE(pdf->pages.empty());
    EXPECT_EQ(pdf->pages[0].Rows(), (std::vector<std::wstring>{L"through the print dialog", L"1"}));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_hWndMain) != FALSE; }));
    ExitDiscarding();
}

// Japanese text in a Japanese font: Wine's printer driver names that font's glyphs by number, so
// the PDF's text is read back through the font file's own character map.
TEST_F(PrintE2E, JapaneseTextPrintsWholeInOrderWithTheDefaultFooter) {
    const std::string font = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    ASSERT_TRUE(RunUnixShell("test -r " + ShellQuote(font))->status == 0)
        << font << " is missing (scripts/setup installs fonts-ipafont-gothic)";
    WriteUserString(L"lfFaceName", L"IPAGothic");
    WriteUserDword(L"lfCharSet", SHIFTJIS_CHARSET);
    WriteUserDword(L"iPointSize", 120);
    std::wstring text;
    const std::wstring longLine = L"吾輩は猫である。名前はまだ無い。ｶﾀｶﾅもひらがなも漢字も、一文字も欠けずに紙に出る。";
    for (int i = 1; i <= 130; ++i) {
        text += std::to_wstring(i) + L"行目の文章です。";
        if (i % 20 == 7)
            text += longLine + longLine + longLine;
        text += L"\r\n";
    }
    const std::string stem = Stem("japanese");
    const std::wstring file = m_dir.File(std::wstring(stem.begin(), stem.end()) + L".txt");
    WriteAllBytes(file, Utf16WithBom(text));
    ForgetPrintedPdfs(stem);
    const std::wstring args = L"/pt \"" + file + L"\" \"" + PdfPrinterName() + L"\" \"winspool\" \"Ne00:\"";
    ASSERT_TRUE(m_app.Start(TessarinExePath(), args, m_dir.Path()));
    ASSERT_TRUE(m_app.WaitForExit());
    auto pages = WaitForPrintedPdfRows(stem, font);
    ASSERT_TRUE(pages) << "no PDF came out";
    ASSERT_GE(pages->size(), 3u);
    std::wstring body;
    for (size_t i = 0; i < pages->size(); ++i) {
        std::vector<std::wstring>& rows = (*pages)[i];
        ASSERT_GE(rows.size(), 3u) << "page " << i + 1;
        EXPECT_EQ(rows.front(), std::wstring(stem.begin(), stem.end()) + L".txt") << "page " << i + 1;
        EXPECT_EQ(rows.back(), L"ページ(" + std::to_wstring(i + 1) + L")") << "page " << i + 1;
        for (size_t r = 1; r + 1 < rows.size(); ++r)
            body += rows[r];
    }
    EXPECT_EQ(WithoutBlanks(body), WithoutBlanks(text));
}


namespace {
// The process behind a window, ended at the end of the scope if it still runs.
class CProcessOfWindow {
public:
    explicit CProcessOfWindow(HWND hWnd) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hWnd, &pid);
        m_h = pid ? ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid) : nullptr;
    }
    CProcessOfWindow(const CProcessOfWindow&) = delete;
    CProcessOfWindow& operator=(const CProcessOfWindow&) = delete;
    ~CProcessOfWindow() {
        if (m_h && ::WaitForSingleObject(m_h, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(m_h, 1);
        if (m_h)
            ::CloseHandle(m_h);
    }
    bool WaitForExit(DWORD ms) const { return m_h && ::WaitForSingleObject(m_h, ms) == WAIT_OBJECT_0; }

private:
    HANDLE m_h = nullptr;
};

// A top-level window of any process with this class whose text (or, for a message box, whose
// message) contains `part`.
HWND FindTopLevel(const wchar_t* cls, const std::wstring& part, bool bMessage) {
    HWND found = nullptr;
    for (HWND h = ::FindWindowExW(nullptr, nullptr, cls, nullptr); h && !found;
         h = ::FindWindowExW(nullptr, h, cls, nullptr)) {
        const std::wstring text = bMessage ? MessageBoxText(h) : WindowText(h);
        if (::IsWindowVisible(h) && text.find(part) != std::wstring::npos)
            found = h;
    }
    return found;
}
} // namespace

// With no printer at all, printing says why nothing happens instead of doing nothing. The program
// is started from a shell that points it at a CUPS scheduler that does not exist, so Wine lists no
// printer for it (the variable has to be in its Unix environment); programs started after it list
// the PDF printer again.
TEST_F(PrintE2E, WithoutAnyPrinterPrintPreviewAndSlashPSaySo) {
    const std::string stem = Stem("noprinter");
    const std::wstring file = m_dir.File(std::wstring(stem.begin(), stem.end()) + L".txt");
    WriteAllBytes(file, Utf16WithBom(L"nothing to print on"));
    const std::wstring said = L"プリンタがインストールされていないため、印刷できません。";
    auto start = [&](const std::string& verb) {
        const std::string windowsFile(file.begin(), file.end()); // the temporary folder's path is ASCII
        auto result = RunUnixShell("CUPS_SERVER=/nonexistent/cups.sock wine " + ShellQuote(UnixPathOf(TessarinExePath())) +
                                   " " + verb + ShellQuote(windowsFile) + " </dev/null >/dev/null 2>&1 &");
        return result && result->status == 0;
    };
    auto answer = [&](HWND& box) {
        if (!WaitUntil([&] { return (box = FindTopLevel(L"#32770", said, true)) != nullptr; }))
            return false;
        return PressButton(box, IDOK) && CTargetProcess::WaitForWindowGone(box);
    };

    ASSERT_TRUE(start(""));
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        return (main = FindTopLevel(nullptr, std::wstring(stem.begin(), stem.end()) + L".txt - Tessarin", false)) !=
               nullptr;
    }));
    CProcessOfWindow program(main);
    HWND box = nullptr;
    ASSERT_TRUE(::PostMessageW(main, WM_COMMAND, ID_FILE_PRINT, 0));
    EXPECT_TRUE(answer(box)) << "Print";
    ASSERT_TRUE(::PostMessageW(main, WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0));
    EXPECT_TRUE(answer(box)) << "Print preview";
    EXPECT_EQ(FindDescendant(main, AFX_IDW_PREVIEW, nullptr), nullptr);
    ASSERT_TRUE(::PostMessageW(main, WM_COMMAND, ID_APP_EXIT, 0));
    EXPECT_TRUE(program.WaitForExit(10000));

    ASSERT_TRUE(start("/p "));
    ASSERT_TRUE(WaitUntil([&] { return (box = FindTopLevel(L"#32770", said, true)) != nullptr; }));
    CProcessOfWindow printing(box);
    ASSERT_TRUE(PressButton(box, IDOK));
    EXPECT_TRUE(printing.WaitForExit(10000)) << "/p did not end after its message";
}
