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
    return FormatString(IDS_FIF_SEARCHING, {strFind}) + L"\r\n";
}

std::wstring FindInFilesEndLine(bool bCancelled, int nHits, const std::wstring& strFind) {
    std::wstring strLine;
    if (bCancelled)
        strLine = LoadStringResource(IDS_FIF_CANCELLED);
    else if (nHits == 0)
        strLine = FormatString(IDS_FIF_NOT_FOUND, {strFind});
    else
        strLine = FormatString(IDS_FIF_HIT_COUNT, {std::to_wstring(nHits)});
    return strLine + L"'\r\n";
}

std::wstring FindInFilesTooComplexLine(const std::wstring& strPath) {
    return FormatString(IDS_FIF_REGEX_TOO_COMPLEX, {strPath}) + L"\r\n";
}

std::wstring FindInFilesAccountLine(const FindInFilesAccount& account) {
    std::wstring strLine =
        FormatString(IDS_FIF_ACCOUNT, {std::to_wstring(account.Files()), std::to_wstring(account.nSearched),
                                       std::to_wstring(account.nBinary), std::to_wstring(account.nUnreadable),
                                       std::to_wstring(account.nTooLarge), std::to_wstring(account.nExcluded)});
    if (account.nExcludedFolders > 0)
        strLine += FormatString(IDS_FIF_ACCOUNT_FOLDERS, {std::to_wstring(account.nExcludedFolders)});
    return strLine + L"\r\n";
}

std::wstring FindInFilesCannotOpenLine(const DecodedFile& file) {
    std::wstring strLine = LoadStringResource(IDS_FIF_CANNOT_OPEN) + L"'" + file.strPath + L"'";
    if (file.nReason) {
        std::wstring strReason = LoadStringResource(file.nReason);
        if (file.nReason == IDS_FIF_REASON_ERROR)
            strReason = FormatText(strReason, {std::to_wstring(file.nOsError)});
        strLine += FormatString(IDS_FIF_REASON, {strReason});
    }
    return strLine + L"\r\n";
}

namespace {

// Whether the line has the form of a string-table text with one "%s" or "%d" in it, followed by
// `tail`: the text before the argument, anything (digits only for "%d"), the text after it.
bool HasLineForm(std::wstring_view line, const std::wstring& strFormat, std::wstring_view tail) {
    const size_t nArg = std::min(strFormat.find(L"%s"), strFormat.find(L"%d"));
    const std::wstring strHead = strFormat.substr(0, nArg);
    const std::wstring strRest = (nArg == std::wstring::npos ? L"" : strFormat.substr(nArg + 2)) + std::wstring(tail);
    if (line.size() < strHead.size() + strRest.size() || line.substr(0, strHead.size()) != strHead ||
        line.substr(line.size() - strRest.size()) != strRest)
        return false;
    if (nArg == std::wstring::npos)
        return line.size() == strHead.size() + strRest.size();
    const std::wstring_view arg = line.substr(strHead.size(), line.size() - strHead.size() - strRest.size());
    if (strFormat[nArg + 1] == L'd')
        return !arg.empty() && std::all_of(arg.begin(), arg.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    return true;
}

// The account line starts with its text up to the first number; a hit line starts with a full path.
bool IsAccountLine(std::wstring_view line) {
    const std::wstring strFormat = LoadStringResource(IDS_FIF_ACCOUNT);
    const std::wstring strHead = strFormat.substr(0, strFormat.find(L'%'));
    return !strHead.empty() && line.starts_with(strHead) && line.size() > strHead.size() &&
           line[strHead.size()] >= L'0' && line[strHead.size()] <= L'9';
}

} // namespace

bool IsRunStatusLine(std::wstring_view line) {
    return HasLineForm(line, LoadStringResource(IDS_FIF_SEARCHING), L"") ||
           HasLineForm(line, LoadStringResource(IDS_FIF_CANCELLED), L"'") ||
           HasLineForm(line, LoadStringResource(IDS_FIF_NOT_FOUND), L"'") ||
           HasLineForm(line, LoadStringResource(IDS_FIF_HIT_COUNT), L"'") ||
           // An unreadable file's line may end in its reason after the quoted path; a hit line
           // starts with a full path, never with this text.
           line.starts_with(LoadStringResource(IDS_FIF_CANNOT_OPEN) + L"'") ||
           HasLineForm(line, LoadStringResource(IDS_FIF_REGEX_TOO_COMPLEX), L"") || IsAccountLine(line);
}

bool ParseResultLine(std::wstring_view line, std::wstring& strPath, int& nLine) {
    // A file name holds no ":", so the first "(digits):" ends the path, however many "(" the
    // folders and the name hold before it and whatever the line's text holds after it.
    for (size_t nParen = line.find(L'('); nParen != std::wstring_view::npos; nParen = line.find(L'(', nParen + 1)) {
        size_t i = nParen + 1;
        long long value = 0;
        for (; i < line.size() && line[i] >= L'0' && line[i] <= L'9'; ++i)
            value = std::min<long long>(value * 10 + (line[i] - L'0'), INT_MAX);
        if (i == nParen + 1 || i + 1 >= line.size() || line[i] != L')' || line[i + 1] != L':')
            continue;
        if (nParen == 0)
            return false;
        strPath.assign(line.substr(0, nParen));
        nLine = static_cast<int>(value);
        return true;
    }
    return false;
}

CFindInFiles::CFindInFiles(const FindInFilesQuery& query, IFindInFilesOutput& output)
    : m_query(query), m_output(output) {
    m_match.fMatchCase = query.fMatchCase;
    m_match.fWholeWord = query.fWholeWord;
    m_match.wordChars = m_query.strWordChars;
    if (query.fRegex) {
        // A pattern that does not compile finds nothing; the command says why before it runs.
        m_pRegex = std::make_unique<CRegex>(query.strFind, query.fMatchCase);
        if (!m_pRegex->IsValid())
            m_pRegex.reset();
    } else if (!query.fMatchCase) {
        // The matcher's table: one look-up per code unit instead of a CharLowerW call.
        m_fold = CaseFoldTable();
        for (wchar_t ch : query.strFind)
            m_foldedFind += m_fold[ch];
    }
}

int CFindInFiles::Run() {
    m_output.Append(FindInFilesStartLine(m_query.strFind));
    {
        CDecodeAhead files(CFileWalk(m_query.strFolder, m_query.patterns, m_query.bSubfolders, m_query.exclusions),
                           DecodeThreadCount());
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
    const bool bCancelled = !m_output.IsRunning();
    // A cancelled run has not seen every file: only a finished one accounts for them.
    if (!bCancelled)
        m_output.Append(FindInFilesAccountLine(m_account));
    m_output.Append(FindInFilesEndLine(bCancelled, m_nHits, m_query.strFind));
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
    if (file.nReason == IDS_FIF_REASON_EXCLUDED_FOLDER) {
        ++m_account.nExcludedFolders;
        return;
    }
    if (file.nReason == IDS_FIF_REASON_EXCLUDED) {
        ++m_account.nExcluded;
        return;
    }
    if (!file.bRead) {
        const bool bTooLarge = file.nReason == IDS_FIF_REASON_TOO_LARGE || file.nReason == IDS_FIF_REASON_MEMORY ||
                               (file.nReason == IDS_FIF_REASON_ERROR && file.nOsError == ERROR_NOT_ENOUGH_MEMORY);
        ++(bTooLarge ? m_account.nTooLarge : m_account.nUnreadable);
        m_output.Append(FindInFilesCannotOpenLine(file));
        return;
    }
    ++(file.text.find(L'\0') != std::wstring::npos ? m_account.nBinary : m_account.nSearched);
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
    if (text.empty() || (m_query.fRegex && !m_pRegex))
        return;
    size_t p = 0;
    for (int n = 1;; ++n) {
        size_t nEnd = text.find(L'\r', p);
        if (nEnd == std::wstring_view::npos)
            nEnd = text.size();
        std::wstring_view line = text.substr(p, nEnd - p);
        m_output.Poll();
        bool bHit = false;
        if (m_pRegex) {
            // Each line is the whole subject: ^ and $ are its ends.
            TextRange match;
            const RegexStatus status = RegexFind(*m_pRegex, line, 0, line.size(), true, m_match, false, match);
            if (status == RegexStatus::TooComplex) {
                m_output.Append(FindInFilesTooComplexLine(strPath));
                return;
            }
            bHit = status == RegexStatus::Found;
        } else {
            bHit = MayMatch(line) && FindForward(line, 0, m_query.strFind, m_match) != std::wstring_view::npos;
        }
        if (bHit) {
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
