// The byte-order-mark proposal of the Open dialog: each mark of the table, short files whose missing
// bytes count as zeros, files without a mark, and the files that cannot be read at all.
#include <gtest/gtest.h>
#include <vector>
#include "TestFiles.h"
#include "document/TessarinDocManager.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

struct BomCase {
    std::vector<unsigned char> bytes;
    EncodingId expected;
};

EncodingId GuessOf(const CTempDir& dir, const std::vector<unsigned char>& bytes) {
    std::wstring path = dir.File(L"guess.txt");
    WriteAllBytes(path, bytes);
    return GuessEncodingFromBom(path);
}

} // namespace

TEST(BomGuess, EachMarkOfTheTableWinsOverWhatFollows) {
    CTempDir dir;
    const BomCase cases[] = {
        {{0xFF, 0xFE, 0x00, 0x00, 0x41, 0x00, 0x00, 0x00}, EncodingId::Utf32LeBom},
        {{0xFF, 0xFE, 0x41, 0x00}, EncodingId::Utf16LeBom},
        {{0xFF, 0xFE, 0x00, 0x01}, EncodingId::Utf16LeBom}, // only FF FE 00 00 is the UTF-32 mark
        {{0xFE, 0xFF, 0x00, 0x41}, EncodingId::Utf16BeBom},
        {{0xEF, 0xBB, 0xBF, 'a', 'b'}, EncodingId::Utf8Bom},
        {{0x00, 0x00, 0xFE, 0xFF, 0x00, 0x00, 0x00, 0x41}, EncodingId::Utf32BeBom},
        {{'a', 'b', 'c', 'd', 'e'}, EncodingId::SjisAuto},
        {{0x82, 0xA0, 0x82, 0xA2}, EncodingId::SjisAuto},
        {{0xA4, 0xA2, 0xEF, 0xBB, 0xBF}, EncodingId::SjisAuto}, // a mark counts only at the start
        {{0x00, 0x41, 0x00, 0x42}, EncodingId::SjisAuto},       // UTF-16 without a mark is not guessed
    };
    for (const BomCase& c : cases)
        EXPECT_EQ(GuessOf(dir, c.bytes), c.expected) << "first byte " << int(c.bytes[0]);
}

TEST(BomGuess, MissingBytesOfAShortFileCountAsZeros) {
    CTempDir dir;
    // Exactly FF FE reads as FF FE 00 00: the UTF-32 mark, not the UTF-16 one.
    EXPECT_EQ(GuessOf(dir, {0xFF, 0xFE}), EncodingId::Utf32LeBom);
    EXPECT_EQ(GuessOf(dir, {0xFF, 0xFE, 0x00}), EncodingId::Utf32LeBom);
    EXPECT_EQ(GuessOf(dir, {0xFE, 0xFF}), EncodingId::Utf16BeBom);
    EXPECT_EQ(GuessOf(dir, {0xEF, 0xBB, 0xBF}), EncodingId::Utf8Bom);
    EXPECT_EQ(GuessOf(dir, {0xEF, 0xBB}), EncodingId::SjisAuto);
    EXPECT_EQ(GuessOf(dir, {0x00, 0x00, 0xFE}), EncodingId::SjisAuto);
    EXPECT_EQ(GuessOf(dir, {0xFF}), EncodingId::SjisAuto);
    EXPECT_EQ(GuessOf(dir, {}), EncodingId::SjisAuto);
}

TEST(BomGuess, FilesThatCannotBeReadThrowAndAreLetGo) {
    CTempDir dir;
    std::wstring path = dir.File(L"held.txt");
    WriteAllBytes(path, std::vector<unsigned char>{0xFF, 0xFE, 0x41, 0x00});
    {
        // Another holder, even one that shares everything, keeps the check's unshared open out.
        CFile holder(path, CFile::modeRead | CFile::shareDenyNone);
        EXPECT_THROW(GuessEncodingFromBom(path), CFileException);
    }
    EXPECT_EQ(GuessEncodingFromBom(path), EncodingId::Utf16LeBom);
    // The check has closed the file again: an unshared open succeeds.
    CFile after;
    EXPECT_TRUE(after.Open(path, CFile::modeRead | CFile::shareExclusive));

    EXPECT_THROW(GuessEncodingFromBom(dir.Path()), CFileException);
    try {
        GuessEncodingFromBom(dir.File(L"missing.txt"));
        ADD_FAILURE() << "a missing file cannot be guessed";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}
