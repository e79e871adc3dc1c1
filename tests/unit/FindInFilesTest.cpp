// Find in files without a window: the walk over real folders under Wine, the file-type patterns,
// line numbering of decoded text, unreadable entries, the lines written and read back, and the
// one-pass decoding against DecodeFileText.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include "search/FindInFiles.h"

namespace {

// Collects the lines of a run; can stop the run after a number of files' worth of polls.
class CCollect : public IFindInFilesOutput {
public:
    void Append(std::wstring_view text) override { m_text.append(text); }
    void Poll() override {
        ++m_nPolls;
        if (m_nStopAfterPolls && m_nPolls >= m_nStopAfterPolls)
            m_bRunning = false;
    }
    // Waiting for a file's text is not a line examined: the stop below comes at a known line.
    void Wait() override { ++m_nWaits; }
    bool IsRunning() override { return m_bRunning; }

    // The lines without their CR LF.
    std::vector<std::wstring> Lines() const {
        std::vector<std::wstring> lines;
        size_t p = 0;
        while (p < m_text.size()) {
            size_t e = m_text.find(L"\r\n", p);
            EXPECT_NE(e, std::wstring::npos) << "every line ends in CR LF";
            if (e == std::wstring::npos)
                break;
            lines.push_back(m_text.substr(p, e - p));
            p = e + 2;
        }
        return lines;
    }

    std::wstring m_text;
    int m_nPolls = 0;
    int m_nWaits = 0;
    int m_nStopAfterPolls = 0;
    bool m_bRunning = true;
};

std::vector<unsigned char> Ascii(const std::string& s) {
    return {s.begin(), s.end()};
}

std::vector<unsigned char> Utf16LeBom(const std::wstring& s) {
    std::vector<unsigned char> bytes{0xFF, 0xFE};
    for (wchar_t c : s) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    return bytes;
}

FindInFilesQuery Query(const std::wstring& strFind, const std::wstring& strFolder, const std::wstring& strTypes,
                       bool bSubfolders = true) {
    FindInFilesQuery query;
    query.strFind = strFind;
    query.strFolder = WithTrailingBackslash(strFolder);
    query.patterns = SplitFileTypes(strTypes);
    query.bSubfolders = bSubfolders;
    return query;
}

std::vector<std::wstring> RunQuery(const FindInFilesQuery& query, CCollect& out) {
    CFindInFiles run(query, out);
    run.Run();
    return out.Lines();
}

std::wstring Hit(const std::wstring& path, int line, const std::wstring& text) {
    return path + L"(" + std::to_wstring(line) + L"):" + text;
}

// The unreadable-file line; a folder taken for a file says so.
std::wstring CannotOpen(const std::wstring& path, const std::wstring& reason = L"フォルダーです") {
    return LoadStringResource(IDS_FIF_CANNOT_OPEN) + L"'" + path + L"'（" + reason + L"）";
}

// The account line of a finished run, without its CR LF.
std::wstring Account(int nFiles, int nSearched, int nBinary, int nUnreadable, int nTooLarge, int nExcluded,
                     int nExcludedFolders = 0) {
    FindInFilesAccount account;
    account.nSearched = nSearched;
    account.nBinary = nBinary;
    account.nUnreadable = nUnreadable;
    account.nTooLarge = nTooLarge;
    account.nExcluded = nExcluded;
    account.nExcludedFolders = nExcludedFolders;
    EXPECT_EQ(account.Files(), nFiles) << "the counts add up to the files found";
    std::wstring line = FindInFilesAccountLine(account);
    EXPECT_TRUE(line.ends_with(L"\r\n"));
    line.resize(line.size() - 2);
    EXPECT_TRUE(IsRunStatusLine(line)) << "never taken for a hit";
    return line;
}

size_t Depth(const std::wstring& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), L'\\'));
}

} // namespace

TEST(FindInFilesTest, SplitFileTypesKeepsEveryPieceBeforeASemicolonUntrimmed) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitFileTypes(L"*.txt"), V{L"*.txt"});
    EXPECT_EQ(SplitFileTypes(L""), V{L""});
    EXPECT_EQ(SplitFileTypes(L"*.txt;*.log"), (V{L"*.txt", L"*.log"}));
    EXPECT_EQ(SplitFileTypes(L"*.txt;"), V{L"*.txt"});
    EXPECT_EQ(SplitFileTypes(L";*.txt"), (V{L"", L"*.txt"}));
    EXPECT_EQ(SplitFileTypes(L"*.txt;;a.*;"), (V{L"*.txt", L"", L"a.*"}));
    EXPECT_EQ(SplitFileTypes(L"*.txt; a.txt"), (V{L"*.txt", L" a.txt"}));
    EXPECT_EQ(WithTrailingBackslash(L"C:\\x"), L"C:\\x\\");
    EXPECT_EQ(WithTrailingBackslash(L"C:\\x\\"), L"C:\\x\\");
}

TEST(FindInFilesTest, WalksBreadthFirstPatternByPatternAndSkipsFoldersWithExtraAttributes) {
    CTempDir dir;
    const std::wstring root = dir.Path() + L"\\";
    for (const wchar_t* sub : {L"s1", L"s2", L"s1\\deep", L"s2\\deep2", L".hidden", L".dir.txt"})
        ASSERT_TRUE(::CreateDirectoryW((root + sub).c_str(), nullptr));
    // Wine reports a name starting with a dot as hidden: such a folder carries two attributes.
    ASSERT_EQ(::GetFileAttributesW((root + L".hidden").c_str()),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(::GetFileAttributesW((root + L"s1").c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY));
    const std::vector<std::wstring> files = {L"a.txt",     L"b.log",           L"s1\\c.txt",        L"s1\\c.log",
                                             L"s2\\d.txt", L"s1\\deep\\e.txt", L"s2\\deep2\\f.log", L".hidden\\g.txt"};
    for (const auto& f : files)
        WriteAllBytes(root + f, Ascii("one\r\nthe hit\r\n"));

    CCollect out;
    auto lines = RunQuery(Query(L"hit", dir.Path(), L"*.log;*.txt"), out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), L"'hit'を検索中...");
    EXPECT_EQ(lines.back(), L"7 個、検索されました。'");
    // Eight files found: the seven read and the folder taken for a file.
    EXPECT_EQ(lines[lines.size() - 2], Account(8, 7, 0, 1, 0, 0));
    std::vector<std::wstring> listed(lines.begin() + 1, lines.end() - 2);
    // Everything but the hidden folder's file, each once; the hidden folder that matches *.txt is
    // taken for a file and cannot be read.
    std::vector<std::wstring> expected;
    for (const auto& f : files)
        if (f.rfind(L".hidden", 0) != 0)
            expected.push_back(Hit(root + f, 2, L"the hit"));
    expected.push_back(CannotOpen(root + L".dir.txt"));
    std::vector<std::wstring> sortedListed = listed, sortedExpected = expected;
    std::sort(sortedListed.begin(), sortedListed.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedListed, sortedExpected);

    // Level by level; within a folder every *.log before any *.txt; the second level's folders in
    // the order the first level listed them.
    for (size_t i = 1; i < listed.size(); ++i)
        EXPECT_LE(Depth(listed[i - 1]), Depth(listed[i])) << listed[i - 1] << " before " << listed[i];
    auto pos = [&](const std::wstring& f) {
        return std::find(listed.begin(), listed.end(), Hit(root + f, 2, L"the hit")) - listed.begin();
    };
    EXPECT_LT(pos(L"b.log"), pos(L"a.txt"));
    EXPECT_LT(pos(L"s1\\c.log"), pos(L"s1\\c.txt"));
    EXPECT_EQ(pos(L"s1\\c.txt") < pos(L"s2\\d.txt"), pos(L"s1\\deep\\e.txt") < pos(L"s2\\deep2\\f.log"));

    // Without subfolders only the folder's own files.
    CCollect flat;
    lines = RunQuery(Query(L"hit", dir.Path(), L"*.txt", false), flat);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], Account(2, 1, 0, 1, 0, 0));
    std::vector<std::wstring> got(lines.begin() + 1, lines.end() - 2);
    std::vector<std::wstring> want{CannotOpen(root + L".dir.txt"), Hit(root + L"a.txt", 2, L"the hit")};
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
}

TEST(FindInFilesTest, NamesWithForbiddenCharactersOrLostBytesDoNotLeadBack) {
    for (const wchar_t* name : {L"a.txt", L"日本語.txt", L"a b.txt", L".hidden", L"x.y.z", L"(1).txt"})
        EXPECT_TRUE(NameLeadsBack(name)) << name;
    for (const wchar_t* name : {L"q?.txt", L"s*.txt", L"a:b", L"l<g>", L"p|q", L"q\"x", L"b\\s", L"f/s", L"t.txt ",
                                L"d.txt.", L"bad\uFFFD.txt", L"c\x01.txt", L""})
        EXPECT_FALSE(NameLeadsBack(name)) << name;

    // A reason is written in full-width brackets, so the line never reads as a hit.
    DecodedFile file;
    file.strPath = L"C:\\f(1).txt";
    file.nReason = IDS_FIF_REASON_ERROR;
    file.nOsError = 1117;
    const std::wstring line = FindInFilesCannotOpenLine(file);
    EXPECT_EQ(line, L"ファイルが開けません。'C:\\f(1).txt'（エラー 1117）\r\n");
}

TEST(FindInFilesTest, PatternsTwoMatchesALeadingSpaceAndAnEmptyPiece) {
    CTempDir dir;
    const std::wstring root = dir.Path() + L"\\";
    WriteAllBytes(root + L"a.txt", Ascii("hit"));
    WriteAllBytes(root + L" b.txt", Ascii("hit"));
    WriteAllBytes(root + L"c.dat", Ascii("hit"));

    // a.txt matches both *.txt and a.*: searched twice, listed twice.
    CCollect twice;
    auto lines = RunQuery(Query(L"hit", dir.Path(), L"a.*;*.txt"), twice);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), Hit(root + L"a.txt", 1, L"hit")), 2);
    EXPECT_EQ(lines.back(), L"3 個、検索されました。'");

    // " b*" (typed after a semicolon) finds only the name that starts with a space; the empty
    // pieces make a path ending in a backslash, which finds nothing.
    CCollect spaced;
    lines = RunQuery(Query(L"hit", dir.Path(), L";;*.dat; b*"), spaced);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"'hit'を検索中...", Hit(root + L"c.dat", 1, L"hit"),
                                                Hit(root + L" b.txt", 1, L"hit"), Account(2, 2, 0, 0, 0, 0),
                                                L"2 個、検索されました。'"}));

    // Nothing found: the text is quoted, and one more apostrophe ends the line; a missing folder
    // is no error.
    CCollect none;
    lines = RunQuery(Query(L"zzz", dir.Path() + L"\\missing", L"*.txt"), none);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"'zzz'を検索中...", Account(0, 0, 0, 0, 0, 0),
                                                L"文字列 'zzz' が見つかりません。'"}));
}

TEST(FindInFilesTest, NumbersLinesAcrossEveryLineEndingAndStopsAtANul) {
    CTempDir dir;
    const std::wstring root = dir.Path() + L"\\";
    WriteAllBytes(root + L"mixed.txt", Ascii("hit one\rtwo\nhit three\r\nfour\n\r\nhit six"));
    WriteAllBytes(root + L"u16.txt", Utf16LeBom(L"漢字hit\nx\r\r\nhit 四"));
    const char nul[] = "\xE6\xBC\xA2hit\r\nx\0hit\r\nhit";
    WriteAllBytes(root + L"zero.txt", nul, sizeof nul - 1);
    WriteAllBytes(root + L"empty.txt", Ascii(""));
    WriteAllBytes(root + L"sjis.txt", {0x8A, 0xBF, 0x8E, 0x9A, 'h', 'i', 't', '\r', '\n', 'h', 'i', 't', '\r', '\n'});

    auto search = [&](const wchar_t* name) {
        CCollect out;
        CFindInFiles run(Query(L"hit", dir.Path(), L"x"), out);
        run.SearchFile(root + name);
        return out.Lines();
    };
    EXPECT_EQ(search(L"mixed.txt"), (std::vector<std::wstring>{Hit(root + L"mixed.txt", 1, L"hit one"),
                                                               Hit(root + L"mixed.txt", 3, L"hit three"),
                                                               Hit(root + L"mixed.txt", 6, L"hit six")}));
    EXPECT_EQ(search(L"u16.txt"),
              (std::vector<std::wstring>{Hit(root + L"u16.txt", 1, L"漢字hit"), Hit(root + L"u16.txt", 4, L"hit 四")}));
    EXPECT_EQ(search(L"zero.txt"), (std::vector<std::wstring>{Hit(root + L"zero.txt", 1, L"漢hit")}));
    EXPECT_EQ(search(L"empty.txt"), std::vector<std::wstring>{}) << "an empty file is searched, not unreadable";
    // The final CR LF ends line 2; there is no empty line 3 to examine.
    EXPECT_EQ(search(L"sjis.txt"),
              (std::vector<std::wstring>{Hit(root + L"sjis.txt", 1, L"漢字hit"), Hit(root + L"sjis.txt", 2, L"hit")}));
    EXPECT_EQ(search(L"missing.txt"), std::vector<std::wstring>{CannotOpen(root + L"missing.txt", L"見つかりません")});

    // A file held open without sharing cannot be opened: listed, and the run goes on.
    CFileHandle locked(
        ::CreateFileW((root + L"mixed.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_EQ(search(L"mixed.txt"),
              std::vector<std::wstring>{CannotOpen(root + L"mixed.txt", L"ほかのプログラムが使用中です")});
}

TEST(FindInFilesTest, MatchCaseAndWholeWordGovernTheLineTest) {
    CCollect out;
    FindInFilesQuery query = Query(L"abc", L"C:\\", L"*");
    query.strWordChars = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::wstring text = L"xABCx\r\nabc\r\nxabc\r\n(abc)\r\nABC";
    query.fMatchCase = false;
    {
        CFindInFiles run(query, out);
        run.SearchText(L"f", text);
        EXPECT_EQ(run.HitCount(), 5);
    }
    query.fMatchCase = true;
    {
        CFindInFiles run(query, out);
        run.SearchText(L"f", text);
        EXPECT_EQ(run.HitCount(), 3);
    }
    query.fMatchCase = false;
    query.fWholeWord = true;
    {
        CCollect words;
        CFindInFiles run(query, words);
        run.SearchText(L"f", text);
        EXPECT_EQ(words.Lines(), (std::vector<std::wstring>{L"f(2):abc", L"f(4):(abc)", L"f(5):ABC"}));
    }
}

// The quick test that skips lines before FindForward must never skip a line FindForward accepts:
// every code unit of the plane on a line of its own, against patterns with case pairs.
TEST(FindInFilesTest, SkippingLinesAgreesWithTheMatcherForEveryCodeUnit) {
    std::wstring text;
    std::vector<wchar_t> units;
    for (unsigned c = 1; c < 0x10000; ++c) {
        if (c == L'\r' || (c >= 0xD800 && c <= 0xDFFF))
            continue;
        units.push_back(static_cast<wchar_t>(c));
        text += static_cast<wchar_t>(c);
        text += L"\r\n";
    }
    for (const wchar_t* pattern : {L"A", L"a", L"\u00C4", L"\u03A3", L"\u03C3", L"\uFF41", L"\u0130", L"K"}) {
        for (bool matchCase : {false, true}) {
            FindInFilesQuery query = Query(pattern, L"C:\\", L"*");
            query.fMatchCase = matchCase;
            MatchOptions options{matchCase, false, {}};
            int expected = 0;
            for (wchar_t u : units)
                expected += FindForward(std::wstring_view(&u, 1), 0, pattern, options) != std::wstring_view::npos;
            CCollect out;
            CFindInFiles run(query, out);
            run.SearchText(L"f", text);
            EXPECT_EQ(run.HitCount(), expected)
                << "pattern U+" << std::hex << unsigned(pattern[0]) << " case " << matchCase;
        }
    }
}

TEST(FindInFilesTest, StopRequestTakesEffectBetweenFiles) {
    CTempDir dir;
    for (int i = 0; i < 4; ++i)
        WriteAllBytes(dir.File(L"f" + std::to_wstring(i) + L".txt"), Ascii("hit\r\nhit\r\nhit"));
    CCollect out;
    out.m_nStopAfterPolls = 2; // during the first file's second line
    auto lines = RunQuery(Query(L"hit", dir.Path(), L"*.txt"), out);
    // The first file is finished, no other is started.
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.back(), L"取り消されました。'");
}

// The path ends at the first "(digits):", whatever "(" its folders and name hold or the text after
// it; the run's own lines are told apart even when their search text or path looks like a hit.
TEST(FindInFilesTest, ParsesResultLinesAtTheLineNumberAndKnowsTheRunsOwnLines) {
    std::wstring path;
    int line = 0;
    ASSERT_TRUE(ParseResultLine(L"C:\\d\\a.txt(12):text (3): more", path, line));
    EXPECT_EQ(path, L"C:\\d\\a.txt");
    EXPECT_EQ(line, 12);
    ASSERT_TRUE(ParseResultLine(L"C:\\tree\\a(1)9\\paren(2).txt(7):t(8):", path, line));
    EXPECT_EQ(path, L"C:\\tree\\a(1)9\\paren(2).txt");
    EXPECT_EQ(line, 7);
    ASSERT_TRUE(ParseResultLine(L"C:\\x(b)\\a.txt(7):", path, line));
    EXPECT_EQ(path, L"C:\\x(b)\\a.txt");
    EXPECT_EQ(line, 7);
    ASSERT_TRUE(ParseResultLine(L"a(99999999999):x", path, line));
    EXPECT_EQ(line, INT_MAX);
    for (const wchar_t* pszNoHit : {L"", L"C:\\a.txt(", L"C:\\a.txt(1)", L"C:\\a.txt():x", L"(3):x", L"C:\\a(x):y"})
        EXPECT_FALSE(ParseResultLine(pszNoHit, path, line)) << pszNoHit;

    for (const std::wstring& strFind : {std::wstring(L"(1):"), std::wstring(L"x(12):y'")}) {
        std::wstring start = FindInFilesStartLine(strFind);
        std::wstring notFound = FindInFilesEndLine(false, 0, strFind);
        for (std::wstring* p : {&start, &notFound}) {
            p->resize(p->size() - 2); // without CR LF, as the pane gives a line
            EXPECT_TRUE(ParseResultLine(*p, path, line)) << *p;
            EXPECT_TRUE(IsRunStatusLine(*p)) << *p;
        }
    }
    for (std::wstring end : {FindInFilesEndLine(false, 12, L"x"), FindInFilesEndLine(true, 3, L"x")}) {
        end.resize(end.size() - 2);
        EXPECT_TRUE(IsRunStatusLine(end)) << end;
    }
    EXPECT_TRUE(IsRunStatusLine(L"ファイルが開けません。'C:\\a(1):'"));
    // Hit lines whose text ends like one of those lines are still hits.
    for (const wchar_t* pszHit : {L"C:\\a.txt(3):12 個、検索されました。'", L"C:\\a.txt(3):取り消されました。'",
                                  L"C:\\a.txt(3):'x'を検索中...", L"C:\\a.txt(3):n 個、検索されました。'"})
        EXPECT_FALSE(IsRunStatusLine(pszHit)) << pszHit;
}

// Reading many files with one converter pass into reused buffers gives exactly DecodeFileText's
// text and format for every fixture, whatever order the buffers grew in.
TEST(FindInFilesTest, OnePassDecodingEqualsDecodeFileText) {
    std::vector<std::wstring> paths;
    for (const wchar_t* folder : {L"roundtrip", L"fidelity", L"crash"}) {
        WIN32_FIND_DATAW data;
        std::wstring base = TestDataPath(folder) + L"\\";
        CFindHandle h(::FindFirstFileW((base + L"*.txt").c_str(), &data));
        ASSERT_TRUE(h) << "no fixtures in " << folder;
        do
            paths.push_back(base + data.cFileName);
        while (::FindNextFileW(h.Get(), &data));
    }
    CTempDir dir;
    // Lone LFs make four bytes of text a byte, more than the first pass leaves room for.
    WriteAllBytes(dir.File(L"breaks.txt"), Ascii(std::string(3000, '\n')));
    WriteAllBytes(dir.File(L"empty.txt"), Ascii(""));
    paths.insert(paths.begin() + 3, dir.File(L"breaks.txt"));
    paths.insert(paths.begin(), dir.File(L"empty.txt"));
    ASSERT_GE(paths.size(), 60u);

    CReusableBuffer bytes, text;
    for (int round = 0; round < 2; ++round) {
        for (const auto& path : paths) {
            SCOPED_TRACE(path);
            EncodingId enc1 = EncodingId::Unspecified, enc2 = EncodingId::Unspecified;
            LineEndingId le1 = LineEndingId::Unspecified, le2 = LineEndingId::Unspecified;
            std::wstring expected;
            bool threw1 = false, threw2 = false;
            try {
                CFile f1(path, CFile::modeRead | CFile::shareDenyNone);
                CLocalBlock block = DecodeFileText(f1, enc1, le1);
                CLocalLock lock(block.Get());
                expected.assign(lock.As<wchar_t>(), ::LocalSize(block.Get()) / 2);
            } catch (const CException&) {
                threw1 = true;
            }
            std::wstring_view got;
            try {
                CFile f2(path, CFile::modeRead | CFile::shareDenyNone);
                got = DecodeFileTextReusing(f2, bytes, text, enc2, le2);
            } catch (const CException&) {
                threw2 = true;
            }
            ASSERT_EQ(threw1, threw2);
            if (threw1)
                continue;
            EXPECT_EQ(got.data()[got.size()], L'\0');
            // The block may hold more than one zero unit at its end; the text is the same.
            std::wstring trimmed = expected.substr(0, got.size());
            EXPECT_EQ(std::wstring(got), trimmed);
            EXPECT_EQ(expected.find_first_not_of(L'\0', got.size()), std::wstring::npos);
            EXPECT_EQ(enc1, enc2);
            EXPECT_EQ(le1, le2);
        }
        std::reverse(paths.begin(), paths.end());
    }
}

TEST(FindInFilesTest, ExclusionsLeaveOutFilesAndFoldersByNameAndTheAccountAddsUp) {
    using V = std::vector<std::wstring>;
    WalkExclusions parsed = ParseExclusions(L" *.bak ;;.git\\;  build\\ ; a?c.TXT;\\");
    EXPECT_EQ(parsed.files, (V{L"*.bak", L"a?c.TXT"}));
    EXPECT_EQ(parsed.folders, (V{L".git", L"build"}));
    EXPECT_TRUE(ParseExclusions(L" ; ").Empty());
    EXPECT_TRUE(WildcardMatch(L"*.bak", L"NOTES.BAK"));
    EXPECT_TRUE(WildcardMatch(L"a*b*c", L"aXbYbZc"));
    EXPECT_TRUE(WildcardMatch(L"?", L"漢"));
    EXPECT_FALSE(WildcardMatch(L"*.bak", L"notes.bak.txt"));
    EXPECT_FALSE(WildcardMatch(L"a?c", L"ac"));

    CTempDir dir;
    const std::wstring root = dir.Path() + L"\\";
    // Wine shows a folder whose name starts with a dot as hidden: the walk takes it for a file.
    for (const wchar_t* sub : {L"build", L"src", L"src\\build", L"src\\keep", L".git"})
        ASSERT_TRUE(::CreateDirectoryW((root + sub).c_str(), nullptr));
    for (const wchar_t* f :
         {L"a.txt", L"a.bak", L"build\\b.txt", L"src\\c.txt", L"src\\C.BAK", L"src\\build\\d.txt", L"src\\keep\\e.txt"})
        WriteAllBytes(root + f, Ascii("hit\r\n"));
    const char binary[] = "hit\0hit";
    WriteAllBytes(root + L"bin.txt", binary, sizeof binary - 1);
    CFileHandle locked(
        ::CreateFileW((root + L"src\\keep\\e.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);

    FindInFilesQuery query = Query(L"hit", dir.Path(), L"*");
    query.exclusions = ParseExclusions(L"*.bak; build\\; .git\\");
    CCollect out;
    V lines = RunQuery(query, out);
    V hits;
    for (const std::wstring& line : lines)
        if (!IsRunStatusLine(line))
            hits.push_back(line);
    std::sort(hits.begin(), hits.end());
    // bin.txt is searched up to its NUL (one hit) and counted as binary; e.txt cannot be opened.
    EXPECT_EQ(hits, (V{Hit(root + L"a.txt", 1, L"hit"), Hit(root + L"bin.txt", 1, L"hit"),
                       Hit(root + L"src\\c.txt", 1, L"hit")}));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], Account(7, 2, 1, 1, 0, 3, 2)) << "the hidden .git is left out as well";
    EXPECT_EQ(lines.back(), L"3 個、検索されました。'");

    // Without exclusions the same walk finds every file, and nothing is left out.
    CCollect all;
    lines = RunQuery(Query(L"hit", dir.Path(), L"*"), all);
    EXPECT_EQ(lines[lines.size() - 2], Account(9, 6, 1, 2, 0, 0)) << ".git cannot be read as a file";
}
