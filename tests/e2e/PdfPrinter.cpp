// Reads back what the PDF printer made: pdfinfo's page count and pdftotext's words with their
// boxes, through /bin/sh under Wine.
#include "PdfPrinter.h"
#include "UnixShell.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace e2e {
namespace {

std::string Env(const char* pszName) {
    const char* p = std::getenv(pszName);
    return p ? p : "";
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty())
        return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

double Attribute(const std::string& tag, const char* pszName) {
    const std::string key = std::string(pszName) + "=\"";
    size_t pos = tag.find(key);
    return pos == std::string::npos ? 0 : std::atof(tag.c_str() + pos + key.size());
}

std::string Unescape(std::string text) {
    const std::pair<const char*, const char*> entities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""},
                                                            {"&apos;", "'"}, {"&amp;", "&"}};
    for (auto [from, to] : entities)
        for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += std::strlen(to))
            text.replace(pos, std::strlen(from), to);
    return text;
}

std::vector<PdfPage> ParseBbox(const std::string& html) {
    std::vector<PdfPage> pages;
    for (size_t pos = 0; (pos = html.find('<', pos)) != std::string::npos;) {
        const size_t end = html.find('>', pos);
        if (end == std::string::npos)
            break;
        const std::string tag = html.substr(pos, end - pos + 1);
        if (tag.rfind("<page ", 0) == 0) {
            pages.push_back(PdfPage{Attribute(tag, "width"), Attribute(tag, "height"), {}});
        } else if (tag.rfind("<word ", 0) == 0 && !pages.empty()) {
            const size_t close = html.find("</word>", end);
            PdfWord word{FromUtf8(Unescape(html.substr(end + 1, close - end - 1))), Attribute(tag, "xMin"),
                         Attribute(tag, "yMin"), Attribute(tag, "xMax"), Attribute(tag, "yMax")};
            pages.back().words.push_back(word);
        }
        pos = end + 1;
    }
    return pages;
}

} // namespace

std::vector<std::wstring> PdfPage::Rows() const {
    std::vector<PdfWord> sorted = words;
    std::stable_sort(sorted.begin(), sorted.end(), [](const PdfWord& a, const PdfWord& b) {
        if (std::fabs(a.yMin - b.yMin) > 0.5)
            return a.yMin < b.yMin;
        return a.xMin < b.xMin;
    });
    std::vector<std::wstring> rows;
    double y = -1e9;
    for (const PdfWord& word : sorted) {
        if (rows.empty() || std::fabs(word.yMin - y) > 0.5) {
            rows.push_back(word.strText);
            y = word.yMin;
        } else {
            rows.back() += L" " + word.strText;
        }
    }
    return rows;
}

std::string PdfPrinterProblem() {
    if (!IsWine())
        return "the printing tests run under Wine only";
    const std::string strError = Env("TESSARIN_PRINTER_ERROR");
    if (!strError.empty())
        return "the PDF printer is not ready: " + strError;
    if (Env("TESSARIN_PDF_DIR").empty() || Env("TESSARIN_PDF_PRINTER").empty())
        return "TESSARIN_PDF_DIR and TESSARIN_PDF_PRINTER are not set: run the tests through scripts/test, which "
               "starts CUPS and its PDF printer";
    return {};
}

std::wstring PdfPrinterName() {
    return FromUtf8(Env("TESSARIN_PDF_PRINTER"));
}

void ForgetPrintedPdfs(const std::string& strStem) {
    RunUnixShell("cd " + ShellQuote(Env("TESSARIN_PDF_DIR")) + " && rm -f -- *" + strStem + "*");
}

namespace {
// Waits for the stem's PDF in the printer's folder (as $f), then runs `then` on it.
std::optional<UnixShellResult> OnPrintedPdf(const std::string& strStem, const std::string& then) {
    // The printer writes the file once the job is through; pdfinfo reads it only once it is whole.
    // (The stems are letters and digits, so the file names need no quoting.)
    const std::string script = "cd " + ShellQuote(Env("TESSARIN_PDF_DIR")) +
                               " || exit 3; i=0; f=; while [ $i -lt 150 ]; do f=$(ls -t | grep -F -- " +
                               ShellQuote(strStem) +
                               " | head -n 1); if [ x$f != x ] && pdfinfo $f >/dev/null 2>&1; then break; fi; "
                               "f=; i=$((i+1)); sleep 0.1; done; [ x$f != x ] || exit 4; " +
                               then;
    auto result = RunUnixShell(script);
    if (!result || result->status != 0)
        return std::nullopt;
    return result;
}
} // namespace

std::optional<std::vector<std::vector<std::wstring>>> WaitForPrintedPdfRows(const std::string& strStem,
                                                                           const std::string& strFontFile) {
    const std::string strScript = std::string(TESSARIN_TEST_DATA) + "/../e2e/pdf_glyph_text.py";
    auto result = OnPrintedPdf(strStem, "python3 " + ShellQuote(strScript) + " $f " + ShellQuote(strFontFile));
    if (!result)
        return std::nullopt;
    std::vector<std::vector<std::wstring>> pages(1);
    for (wchar_t ch : FromUtf8(result->output)) {
        if (ch == L'\f')
            pages.emplace_back();
        else if (ch == L'\n' || pages.back().empty())
            pages.back().emplace_back(ch == L'\n' ? L"" : std::wstring(1, ch));
        else
            pages.back().back() += ch;
    }
    return pages;
}

std::optional<PdfDocument> WaitForPrintedPdf(const std::string& strStem) {
    auto result = OnPrintedPdf(strStem, "pdfinfo $f | sed -n 's/^Pages: *//p'; pdftotext -bbox $f -");
    if (!result)
        return std::nullopt;
    PdfDocument doc;
    doc.nPages = std::atoi(result->output.c_str());
    doc.pages = ParseBbox(result->output);
    return doc;
}

} // namespace e2e
