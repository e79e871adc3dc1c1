#pragma once
// The PDF printer the printing tests print on (CUPS with its PDF back end, set up by scripts/test):
// its name, and what a printed document came out as, read back with pdfinfo and pdftotext.
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// One word of a printed page, with its box in points from the page's top left.
struct PdfWord {
    std::wstring strText;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct PdfPage {
    double width = 0, height = 0;
    std::vector<PdfWord> words;
    // The words of one row (same top within half a point), left to right, joined by blanks.
    std::vector<std::wstring> Rows() const;
};

struct PdfDocument {
    int nPages = 0;             // as pdfinfo counts them
    std::vector<PdfPage> pages; // as pdftotext -bbox reads them
};

// Why printing cannot be tested here, or empty when the PDF printer is ready.
std::string PdfPrinterProblem();
std::wstring PdfPrinterName();
// Waits (up to 15 s) for the PDF printed from a document whose title contains strStem, and reads it.
std::optional<PdfDocument> WaitForPrintedPdf(const std::string& strStem);
// The same for a PDF whose font names its glyphs by number only (Japanese fonts through Wine's
// printer driver): the rows of each page, read through the cmap of the font file it was printed in.
std::optional<std::vector<std::vector<std::wstring>>> WaitForPrintedPdfRows(const std::string& strStem,
                                                                           const std::string& strFontFile);
// Deletes earlier PDFs of that stem, so a wait sees only the next one.
void ForgetPrintedPdfs(const std::string& strStem);

} // namespace e2e
