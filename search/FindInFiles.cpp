// Find in files without a window: the run over the files of the walk, the search of each file's
// decoded text line by line, and the lines written for the results pane and read back from it.
#include "search/FindInFiles.h"
#include "document/Converter.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <windows.h>
#include <algorithm>
#include <climits>
#include <thread>

namespace {

// The first "%s" or "%d" of a printf-style string-table text replaced by the argument; "%%" is
// one "%".
std::wstring FormatFirstArg(const std::wstring& strFormat, const std::wstring& strArg) {
    std::wstring out;
    bool bDone = false;
    for (size_t i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] == L'%' && i + 1 < strFormat.size()) {
            wchar_t next = strFormat[i + 1];
            if (next == L'%') {
                out += L'%';
                ++i;
                continue;
            }
            if (!bDone && (next == L's' || next == L'd')) {
                out += strArg;
                bDone = true;
                ++i;
                continue;
            }
        }
        out += strFormat[i];
    }
    return out;
}

wchar_t FoldUnit(wchar_t ch) {
    // CharLowerW's single-character form: the character in the low word of the pointer argument.
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ch)))));
}

} // namespace

std::vector<std::wstring> SplitFileTypes(const std::wstring& strTypes) {
    std::vector<std::wstring> patterns;
    size_t nStart = 0;
    for (size_t nSemicolon; (nSemicolon = strTypes.find(L';', nStart)) != std::wstring::npos;) {
        patterns.push_back(strTypes.substr(nStart, nSemicolon - nStart));
        nStart = nSemicolon + 1;
    }
    if (nStart == 0 || nStart < strTypes.size())
        patterns.push_back(strTypes.substr(nStart));
    return patterns;
}

std::wstring WithTrailingBackslash(const std::wstring& strFolder) {
    if (!strFolder.empty() && strFolder.back() == L'\\')
        return strFolder;
    return strFolder + L'\\';
}

std::wstring FindInFilesStartLine(const std::wstring& strFind) {
    return FormatFirstArg(LoadStringResource(IDS_FIF_SEARCHING), strFind) + L"\r\n";
}

std::wstring FindInFilesEndLine(bool bCancelled, int nHits, const std::wstring& strFind) {
    std::wstring strLine;
    if (bCancelled)
        strLine = LoadStringResource(IDS_FIF_CANCELLED);
    else if (nHits == 0)
        strLine = FormatFirstArg(LoadStringResource(IDS_FIF_NOT_FOUND), strFind);
    else
        strLine = FormatFirstArg(LoadStringResource(IDS_FIF_HIT_COUNT), std::to_wstring(nHits));
    return strLine + L"'\r\n";
}

std::wstring FindInFilesCannotOpenLine(const DecodedFile& file) {
    std::wstring strLine = LoadStringResource(IDS_FIF_CANNOT_OPEN) + L"'" + file.strPath + L"'";
    if (file.nReason) {
        std::wstring strReason = LoadStringResource(file.nReason);
        if (file.nReason == IDS_FIF_REASON_ERROR)
            strReason = FormatFirstArg(strReason, std::to_wstring(file.nOsError));
        strLine += FormatFirstArg(LoadStringResource(IDS_FIF_REASON), strReason);
    }
    return strLine + L"\r\n";
}

bool ParseResultLine(std::wstring_view line, std::wstring& strPath, int& nLine) {
    size_t nParen = line.find(L'(');
    if (line.empty() || nParen == std::wstring_view::npos || nParen + 1 >= line.size())
        return false;
    size_t i = nParen + 1;
    if (line[i] < L'0' || line[i] > L'9')
        return false;
    long long value = 0;
    for (; i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i)
        value = std::min<long long>(value * 10 + (line[i] - L'0'), INT_MAX);
    strPath.assign(line.substr(0, nParen));
    nLine = static_cast<int>(value);
    return true;
}

CFindInFiles::CFindInFiles(const FindInFilesQuery& query, IFindInFilesOutput& output)
    : m_query(query), m_output(output) {
    m_match.fMatchCase = query.fMatchCase;
    m_match.fWholeWord = query.fWholeWord;
    m_match.wordChars = m_query.strWordChars;
    if (!query.fMatchCase) {
        // One CharLowerW per code unit for the whole run, instead of two per character compared.
        m_fold.resize(0x10000);
        for (size_t c = 0; c < m_fold.size(); ++c)
            m_fold[c] = FoldUnit(static_cast<wchar_t>(c));
        for (wchar_t ch : query.strFind)
            m_foldedFind += m_fold[ch];
    }
}

int CFindInFiles::Run() {
    m_output.Append(FindInFilesStartLine(m_query.strFind));
    {
        CDecodeAhead files(CFileWalk(m_query.strFolder, m_query.patterns, m_query.bSubfolders), DecodeThreadCount());
        while (m_output.IsRunning()) {
            const DecodedFile* pFile = nullptr;
            const CDecodeAhead::Result result = files.Next(&pFile, kWaitStepMs);
            if (result == CDecodeAhead::Result::Done)
                break;
            if (result == CDecodeAhead::Result::Waiting) {
                m_output.Wait();
                continue;
            }
            SearchDecoded(*pFile);
            files.FileDone();
        }
    }
    m_output.Append(FindInFilesEndLine(!m_output.IsRunning(), m_nHits, m_query.strFind));
    return m_nHits;
}

int CFindInFiles::DecodeThreadCount() {
    // Every processor but none beyond the converter's spare copies; the GUI thread searches the
    // decoded texts meanwhile.
    const int nProcessors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(nProcessors, 1, kConverterCopies - 1);
}

void CFindInFiles::SearchFile(const std::wstring& strPath) {
    DecodedFile file;
    file.strPath = strPath;
    CReusableBuffer bytes, text;
    ReadAndDecode(file, nullptr, bytes, text);
    SearchDecoded(file);
}

void CFindInFiles::SearchDecoded(const DecodedFile& file) {
    if (file.error)
        std::rethrow_exception(file.error);
    if (!file.bRead) {
        m_output.Append(FindInFilesCannotOpenLine(file));
        return;
    }
    SearchText(file.strPath, file.text);
}

bool CFindInFiles::MayMatch(std::wstring_view line) const {
    if (m_query.fMatchCase)
        return line.find(m_query.strFind) != std::wstring_view::npos;
    const size_t nFind = m_foldedFind.size();
    if (nFind == 0 || line.size() < nFind)
        return false;
    const wchar_t first = m_foldedFind[0];
    for (size_t i = 0, nLast = line.size() - nFind; i <= nLast; ++i) {
        if (m_fold[line[i]] != first)
            continue;
        size_t k = 1;
        while (k < nFind && m_fold[line[i + k]] == m_foldedFind[k])
            ++k;
        if (k == nFind)
            return true;
    }
    return false;
}

void CFindInFiles::SearchText(const std::wstring& strPath, std::wstring_view text) {
    // The text ends at its first NUL, as lstrlenW reads a decoded block.
    size_t nLength = text.find(L'\0');
    if (nLength != std::wstring_view::npos)
        text = text.substr(0, nLength);
    if (text.empty())
        return;
    size_t p = 0;
    for (int n = 1;; ++n) {
        size_t nEnd = text.find(L'\r', p);
        if (nEnd == std::wstring_view::npos)
            nEnd = text.size();
        std::wstring_view line = text.substr(p, nEnd - p);
        m_output.Poll();
        if (MayMatch(line) && FindForward(line, 0, m_query.strFind, m_match) != std::wstring_view::npos) {
            m_line.assign(strPath);
            m_line += L'(';
            m_line += std::to_wstring(n);
            m_line += L"):";
            m_line.append(line);
            m_line += L"\r\n";
            m_output.Append(m_line);
            ++m_nHits;
        }
        // Decoded text breaks every line with CR LF.
        p = nEnd + 2;
        if (p >= text.size())
            break;
    }
}
