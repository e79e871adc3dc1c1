#pragma once
// Find in files without a window: the file-type patterns, the run over the files of the walk
// (search/DecodeAhead.h), the search of one file line by line, and the lines written for the
// results pane (start, hit, unreadable file, end); also the reading of a hit line back into a
// path and a line number. The caller supplies where the lines go, the stop flag and the message
// pump.
#include "search/DecodeAhead.h"
#include "search/RegexMatch.h"
#include "search/TextMatch.h"
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The file types as typed ("*.txt;*.log") split into the patterns handed to FindFirstFileW: every
// piece before a ";" (empty ones too), and the piece after the last ";" when it is not empty.
// Pieces are not trimmed.
std::vector<std::wstring> SplitFileTypes(const std::wstring& strTypes);

// The folder with a trailing backslash.
std::wstring WithTrailingBackslash(const std::wstring& strFolder);

// What to search for and where.
struct FindInFilesQuery {
    std::wstring strFind;
    std::vector<std::wstring> patterns;
    std::wstring strFolder; // ends with a backslash
    bool bSubfolders = true;
    bool fMatchCase = true;
    bool fWholeWord = false;
    bool fRegex = false;       // strFind is a regular expression, matched against each line
    std::wstring strWordChars; // the search engine's word characters, for the whole-word test
    WalkExclusions exclusions; // files and folders left out by name
};

// What became of the files the walk found. Every one is counted once: searched, binary (a NUL in
// its text: searched up to the first NUL, as any text is, and counted apart so that nobody takes
// the rest of it for searched), unreadable, too large (for the 2 GiB limit or the memory at hand)
// or excluded. Folders left out by name are counted apart: the files in them were never found.
struct FindInFilesAccount {
    int nSearched = 0;
    int nBinary = 0;
    int nUnreadable = 0;
    int nTooLarge = 0;
    int nExcluded = 0;
    int nExcludedFolders = 0;
    int Files() const { return nSearched + nBinary + nUnreadable + nTooLarge + nExcluded; }
};

// Where a run puts its lines and how it stays responsive. The run calls Append with whole lines
// (each ending in CR LF, the end line in "'" CR LF), Poll once per line examined (the place to
// pump waiting messages and to flush appended lines when due), Wait every few milliseconds while
// the next file is still being decoded, and IsRunning between files: false stops the run, which
// then ends as cancelled.
class IFindInFilesOutput {
public:
    virtual ~IFindInFilesOutput() = default;
    virtual void Append(std::wstring_view text) = 0;
    virtual void Poll() = 0;
    virtual void Wait() { Poll(); }
    virtual bool IsRunning() = 0;
};

// Searches files for the query's text: the files of the walk are decoded on background threads
// (CDecodeAhead) and searched line by line on the calling thread.
class CFindInFiles {
public:
    CFindInFiles(const FindInFilesQuery& query, IFindInFilesOutput& output);

    // The whole run: the start line, the files of the walk (CFileWalk) decoded on background
    // threads and searched here in walk order, the end line. Returns the number of hit lines.
    int Run();

    // Searches one file, decoded on the calling thread, and appends its hit lines, or the
    // unreadable-file line when it cannot be opened or decoded. An empty file is searched and
    // yields nothing.
    void SearchFile(const std::wstring& strPath);

    // Searches decoded text (up to its first NUL) as SearchFile does with a file's text.
    void SearchText(const std::wstring& strPath, std::wstring_view text);

    int HitCount() const { return m_nHits; }
    const FindInFilesAccount& Account() const { return m_account; }

private:
    // How long the run waits for the next file's text between calls to Wait.
    static constexpr unsigned kWaitStepMs = 10;
    static int DecodeThreadCount();
    // Appends a decoded file's hit lines, or its unreadable-file line; rethrows what decoding it
    // threw beyond the file, memory and conversion failures.
    void SearchDecoded(const DecodedFile& file);
    // A necessary condition for a match in the line, cheaper than FindForward: with match case the
    // exact text must occur; otherwise its folded form must.
    bool MayMatch(std::wstring_view line) const;

    const FindInFilesQuery m_query;
    IFindInFilesOutput& m_output;
    MatchOptions m_match;
    const wchar_t* m_fold = nullptr; // a unit's folded form (CaseFoldTable), for MayMatch without match case
    std::wstring m_foldedFind;
    std::unique_ptr<CRegex> m_pRegex; // the query's pattern, when it is a regular expression
    std::wstring m_line; // a hit line being built
    int m_nHits = 0;
    FindInFilesAccount m_account;
};

// The line of a file whose search stopped because the regular expression needed more steps than
// the match limit allows on one of its lines: its later lines are not searched.
std::wstring FindInFilesTooComplexLine(const std::wstring& strPath);

// The line that accounts for the files of a finished run, before its end line: "ファイル %d 個:
// 検索 %d、..." and, when folders were left out, how many; then CR LF.
std::wstring FindInFilesAccountLine(const FindInFilesAccount& account);

// The start line, "'%s'を検索中..." with the search text, and CR LF.
std::wstring FindInFilesStartLine(const std::wstring& strFind);
// The end line: cancelled, not found (with the search text) or the hit count, then "'" CR LF.
std::wstring FindInFilesEndLine(bool bCancelled, int nHits, const std::wstring& strFind);

// The unreadable-file line: "ファイルが開けません。", the path in apostrophes, the reason in
// full-width brackets when it is known (so that the line never reads as a hit), and CR LF.
std::wstring FindInFilesCannotOpenLine(const DecodedFile& file);

// Reads a hit line, path(line):text, as the pane's jump does: the path is the text before the
// first "(digits):" and the line number those digits (at most INT_MAX). False when the line holds
// no "(digits):" or nothing before it.
bool ParseResultLine(std::wstring_view line, std::wstring& strPath, int& nLine);
// Whether the line is one the run writes besides its hits: the start line, an unreadable file's
// line or an end line (a search text or a path in them may look like a hit).
bool IsRunStatusLine(std::wstring_view line);
