// Whether two paths name the same file, on real files: the cases where a plain comparison of the
// text, the locale's case-insensitive comparison and an ordinal one disagree.
#include <gtest/gtest.h>
#include "TestFiles.h"
#include "framework/File.h"

TEST(SameFile, ExistingFilesCompareByIdentityOthersByTheirFullNamesIgnoringCase) {
    CTempDir dir;
    const std::wstring a = dir.File(L"a.txt");
    WriteAllBytes(a, "a", 1);

    // The same file through another spelling: letter case, "." and "..", a hard link.
    EXPECT_TRUE(AfxSameFile(a, dir.File(L"A.TXT")));
    EXPECT_TRUE(AfxSameFile(a, dir.Path() + L"\\.\\x\\..\\a.txt"));
    const std::wstring link = dir.File(L"link.txt");
    ASSERT_TRUE(::CreateHardLinkW(link.c_str(), a.c_str(), nullptr));
    EXPECT_TRUE(AfxSameFile(link, a));
    EXPECT_TRUE(AfxSameFile(a, a));

    // Names the locale's comparison calls equal are different files, existing or not: "ß" and
    // "ss", "é" and "e" with a combining accent, "Å" and the Angstrom sign.
    const std::pair<const wchar_t*, const wchar_t*> lookAlikes[] = {
        {L"Stra\u00DFe.txt", L"Strasse.txt"}, {L"\u00E9.txt", L"e\u0301.txt"}, {L"\u00C5.txt", L"\u212B.txt"}};
    for (const auto& [first, second] : lookAlikes) {
        EXPECT_FALSE(AfxSameFile(dir.File(first), dir.File(second))) << "neither exists";
        WriteAllBytes(dir.File(first), "1", 1);
        EXPECT_FALSE(AfxSameFile(dir.File(first), dir.File(second))) << "one exists";
        WriteAllBytes(dir.File(second), "2", 1);
        EXPECT_FALSE(AfxSameFile(dir.File(first), dir.File(second))) << "both exist";
    }

    // Files that do not exist (yet): the full names, without regard to letter case.
    EXPECT_TRUE(AfxSameFile(dir.File(L"new.txt"), dir.File(L"NEW.txt")));
    EXPECT_TRUE(AfxSameFile(dir.File(L"new.txt"), dir.Path() + L"\\sub\\..\\new.txt"));
    EXPECT_FALSE(AfxSameFile(dir.File(L"new.txt"), dir.File(L"new2.txt")));
    EXPECT_FALSE(AfxSameFile(a, dir.File(L"b.txt")));
    EXPECT_FALSE(AfxSameFile(L"", L""));
    EXPECT_FALSE(AfxSameFile(a, L""));
}
