// Reading and writing files in the 13 encodings and 3 line endings: detection, forced reads, byte
// for byte round trips against fixtures written by iconv, and hostile input.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "TestMain.h"
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

struct Decoded {
    std::wstring text;
    size_t blockBytes = 0;
    EncodingId encoding;
    LineEndingId lineEnding;
};

Decoded DecodePath(const std::wstring& path, EncodingId requested,
                   LineEndingId lineEnding = LineEndingId::Unspecified) {
    CFile file(path, CFile::modeRead | CFile::shareDenyWrite);
    Decoded d;
    d.encoding = requested;
    d.lineEnding = lineEnding;
    CLocalBlock block(DecodeFileText(file, d.encoding, d.lineEnding));
    EXPECT_TRUE(block);
    d.blockBytes = ::LocalSize(block.Get());
    CLocalLock lock(block.Get());
    const wchar_t* p = lock.As<wchar_t>();
    size_t units = d.blockBytes / 2 - 1; // the block is the text plus one zero unit
    d.text.assign(p, units);
    EXPECT_EQ(p[units], L'\0');
    return d;
}

Decoded DecodeBytes(const CTempDir& dir, const std::vector<unsigned char>& bytes,
                    EncodingId requested = EncodingId::Unspecified) {
    std::wstring path = dir.File(L"in.txt");
    WriteAllBytes(path, bytes);
    return DecodePath(path, requested);
}

std::vector<unsigned char> Encode(const CTempDir& dir, const std::wstring& text, EncodingId encoding,
                                  LineEndingId lineEnding) {
    std::wstring path = dir.File(L"out.txt");
    {
        CFile file(path, CFile::modeWrite | CFile::modeCreate);
        EncodeTextToFile(text.data(), text.size(), encoding, lineEnding, file);
    }
    return ReadAllBytes(path);
}

std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Describes the first difference between two byte strings for a failure message.
std::string FirstDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    char buf[128];
    snprintf(buf, sizeof buf, "sizes %zu/%zu, first difference at byte %zu (%02X vs %02X)", a.size(), b.size(), i,
             i < a.size() ? a[i] : 0, i < b.size() ? b[i] : 0);
    return buf;
}

} // namespace

TEST(TextCodec, OptionTexts) {
    EXPECT_EQ(DecodeOptions(EncodingId::Utf8N), "-W80 -w16L0 -Lw -x -m0 --no-best-fit-chars");
    EXPECT_EQ(DecodeOptions(EncodingId::SjisAuto), " -w16L0 -Lw -x -m0 --no-best-fit-chars");
    EXPECT_EQ(DecodeOptions(EncodingId::Unspecified), " -w16L0 -Lw -x -m0 --no-best-fit-chars");
    EXPECT_EQ(EncodeOptions(EncodingId::Utf8N, LineEndingId::Lf), "-w80 -Lu -W16L -x --no-best-fit-chars");
    EXPECT_EQ(EncodeOptions(EncodingId::SjisAuto, LineEndingId::Cr), "-s -Lm -W16L -x");
    EXPECT_EQ(EncodeOptions(EncodingId::Unspecified, LineEndingId::Unspecified), "-s -Lw -W16L -x");
    EXPECT_EQ(EncodeOptions(EncodingId::EucJp, LineEndingId::Lf), "-e -Lu -W16L -x --oc=EUC-JP-ASCII");
}

TEST(TextCodec, ConvertBufferMeasuresThenFills) {
    SetConversionOptions("w80 -W16L"); // a missing leading "-" is supplied
    const wchar_t in[] = L"あa";
    size_t produced = 99;
    ASSERT_TRUE(ConvertBuffer(nullptr, 0, &produced, in, 4));
    EXPECT_EQ(produced, 4u); // E3 81 82 61
    unsigned char out[8];
    memset(out, 0xCC, sizeof out);
    ASSERT_TRUE(ConvertBuffer(out, 2, &produced, in, 4)); // too small: first two bytes, full length
    EXPECT_EQ(produced, 4u);
    EXPECT_EQ(out[0], 0xE3);
    EXPECT_EQ(out[2], 0xCC);
    ASSERT_TRUE(ConvertBuffer(out, 6, &produced, in, 4)); // room to spare: a zero follows
    EXPECT_EQ(out[3], 'a');
    EXPECT_EQ(out[4], 0);
    EXPECT_FALSE(ConvertBuffer(out, 6, &produced, nullptr, 4));
    // An option nkf does not know would leave the rest unapplied: the conversion fails instead.
    SetConversionOptions("-@ -w80 -W16L");
    EXPECT_FALSE(ConvertBuffer(out, 6, &produced, in, 4));
    // The UTF-8N read option selects UTF-8 input and lets the options after it apply.
    SetConversionOptions("-W80 -w16L0");
    const char utf8[] = "\xE3\x81\x82";
    ASSERT_TRUE(ConvertBuffer(out, 6, &produced, utf8, 3));
    EXPECT_EQ(produced, 2u);
    EXPECT_EQ(out[0] | out[1] << 8, 0x3042);
}

TEST(TextCodec, DetectionCodeCarriesFamilyMarkAndFirstBreak) {
    struct Case {
        std::string bytes;
        const char* options;
        int code;
    } cases[] = {
        {"", " -w16L0", 4 + 3},
        {"abc", " -w16L0", 4 + 3},
        {"a\rb\r\nc", " -w16L0", 4 + 1},
        {"a\nb", " -w16L0", 4 + 2},
        {"a\r\nb\n", " -w16L0", 4 + 3},
        {"\xEF\xBB\xBF\xE3\x81\x82\n", " -w16L0", 48 + 2},
        {"\xE3\x81\x82\xE3\x81\x84", " -w16L0", 32 + 3},
        {std::string("\xFF\xFE\x42\x30\x0D\x00", 6), " -w16L0", 80 + 1},
        {std::string("\x30\x42\x00\x0A", 4), "-W16B -w16L0", 96 + 2},
        {std::string("\x00\x00\xFE\xFF\x00\x00\x30\x42", 8), " -w16L0", 176 + 3},
        {"\x1B$B$\"\x1B(B\n", " -w16L0", 12 + 2},
        {"\xA4\xA2\xA4\xA4\xA4\xA6\xB4\xC1\xBB\xFA", " -w16L0", 8 + 3},
        {"\x82\xA0\x82\xA2\x8A\xBF\x8E\x9A", " -w16L0", 4 + 3},
    };
    for (const Case& c : cases) {
        SetConversionOptions(c.options);
        size_t produced = 0;
        ASSERT_TRUE(ConvertBuffer(nullptr, 0, &produced, c.bytes.data(), c.bytes.size()));
        EXPECT_EQ(GetDetectionCode(), c.code) << "input of " << c.bytes.size() << " bytes: " << c.bytes;
    }
}

TEST(TextCodec, EdgeCasesOfReading) {
    CTempDir dir;
    Decoded d = DecodeBytes(dir, {});
    EXPECT_EQ(d.text, L"");
    EXPECT_EQ(d.blockBytes, 2u);
    EXPECT_EQ(d.encoding, EncodingId::SjisAuto);
    EXPECT_EQ(d.lineEnding, LineEndingId::Crlf);

    d = DecodeBytes(dir, Bytes("plain ascii\nsecond\r\nthird\r"));
    EXPECT_EQ(d.encoding, EncodingId::SjisAuto);
    EXPECT_EQ(d.lineEnding, LineEndingId::Lf);
    EXPECT_EQ(d.text, L"plain ascii\r\nsecond\r\nthird\r\n");

    d = DecodeBytes(dir, Bytes("one\rtwo\r\nthree"));
    EXPECT_EQ(d.lineEnding, LineEndingId::Cr);
    EXPECT_EQ(d.text, L"one\r\ntwo\r\nthree");

    d = DecodeBytes(dir, Bytes("\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_EQ(d.encoding, EncodingId::Utf8Bom);
    EXPECT_EQ(d.text, L"日本");
    d = DecodeBytes(dir, Bytes("\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_EQ(d.encoding, EncodingId::Utf8N);

    // The requested form with a mark reports what the file really has.
    d = DecodeBytes(dir, Bytes(std::string("\x65\xE5\x67\x2C", 4)), EncodingId::Utf16BeBom);
    EXPECT_EQ(d.encoding, EncodingId::Utf16Be);
    EXPECT_EQ(d.text, L"日本");
    d = DecodeBytes(dir, Bytes(std::string("\xFE\xFF\x65\xE5\x67\x2C", 6)), EncodingId::Utf16BeBom);
    EXPECT_EQ(d.encoding, EncodingId::Utf16BeBom);
    EXPECT_EQ(d.text, L"日本");
}

TEST(TextCodec, MimeEncodedWordsAreLeftAlone) {
    CTempDir dir;
    const std::string word = "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n";
    Decoded d = DecodeBytes(dir, Bytes(word));
    EXPECT_EQ(d.text, L"Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n");
    EXPECT_EQ(Encode(dir, d.text, d.encoding, d.lineEnding), Bytes(word));
}

TEST(TextCodec, ShortReadFailsAndLeavesTheFormatAlone) {
    // A handle already at the end of its file: the length says 10, the read delivers nothing.
    CTempDir dir;
    std::wstring path = dir.File(L"short.txt");
    WriteAllBytes(path, Bytes("0123456789"));
    CFile file(path, CFile::modeRead);
    ::SetFilePointer(file.GetHandle(), 0, nullptr, FILE_END);
    EncodingId enc = EncodingId::EucJp;
    LineEndingId le = LineEndingId::Lf;
    try {
        DecodeFileText(file, enc, le);
        FAIL() << "a short read must fail";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_EQ(enc, EncodingId::EucJp);
    EXPECT_EQ(le, LineEndingId::Lf);
}

TEST(TextCodec, WritingEdgeCases) {
    CTempDir dir;
    EXPECT_EQ(Encode(dir, L"abc\r\n", EncodingId::Utf8N, LineEndingId::Lf), Bytes("abc\n"));
    EXPECT_EQ(Encode(dir, L"abc\r\n", EncodingId::Utf8Bom, LineEndingId::Crlf), Bytes("\xEF\xBB\xBF"
                                                                                      "abc\r\n"));
    EXPECT_EQ(Encode(dir, L"a\r\nb", EncodingId::Utf8N, LineEndingId::Cr), Bytes("a\rb"));
    EXPECT_EQ(Encode(dir, L"a", EncodingId::Utf16LeBom, LineEndingId::Crlf), Bytes(std::string("\xFF\xFE"
                                                                                               "a\0",
                                                                                               4)));
    EXPECT_EQ(Encode(dir, L"a", EncodingId::Utf16Le, LineEndingId::Crlf), Bytes(std::string("a\0", 2)));
    EXPECT_EQ(Encode(dir, L"a", EncodingId::Utf32BeBom, LineEndingId::Crlf),
              Bytes(std::string("\0\0\xFE\xFF\0\0\0a", 8)));
    // Encoding 13 writes Shift_JIS, line ending 3 writes CR LF.
    EXPECT_EQ(Encode(dir, L"あ\r\n", EncodingId::Unspecified, LineEndingId::Unspecified), Bytes("\x82\xA0\r\n"));
    EXPECT_EQ(Encode(dir, L"", EncodingId::Utf8N, LineEndingId::Crlf), Bytes(""));
    // No trailing zero byte: exactly the converted length.
    EXPECT_EQ(Encode(dir, L"日本語", EncodingId::EucJp, LineEndingId::Crlf).size(), 6u);
}

// Every fixture is read with detection and forced, then written back with the pair that was
// found: the bytes must come back identical.
TEST(TextCodec, RoundTripOfEveryEncodingAndLineEnding) {
    CTempDir dir;
    for (int id = 0; id < kEncodingCount; ++id) {
        for (int le = 0; le < kLineEndingCount; ++le) {
            std::wstring name = std::to_wstring(id) + L"-" + std::to_wstring(le) + L".txt";
            std::wstring path = TestDataPath(L"roundtrip/" + name);
            std::vector<unsigned char> original = ReadAllBytes(path);
            for (bool forced : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << "encoding " << id << ", line ending " << le << (forced ? ", forced" : ", detected"));
                Decoded d = DecodePath(path, forced ? EncodingId(id) : EncodingId::Unspecified);
                EXPECT_EQ(static_cast<int>(d.encoding), id);
                EXPECT_EQ(static_cast<int>(d.lineEnding), le);
                EXPECT_EQ(d.text.find(L'\r', 0) == std::wstring::npos, false);
                EXPECT_EQ(d.text.find(L"\uFEFF"), std::wstring::npos);
                std::vector<unsigned char> written = Encode(dir, d.text, d.encoding, d.lineEnding);
                EXPECT_TRUE(written == original) << FirstDifference(written, original);
            }
        }
    }
}

// The characters of the test text survive each encoding that can hold them.
TEST(TextCodec, JapaneseTextSurvivesDecoding) {
    Decoded d = DecodePath(TestDataPath(L"roundtrip/4-0.txt"), EncodingId::Unspecified);
    for (const wchar_t* s : {L"テスト文書", L"①②⑩⑳㈱㈲㍻", L"Ⅰ Ⅱ Ⅹ ⅰ ⅱ ⅹ 纊 褜 鍈", L"ｱｲｳｴｵ ｶﾞｷﾞｸﾞ", L"é ß ü", L"😀",
                             L"𠮷野家", L"〜－∥￠￡￢ ～－∥￠￡￢"})
        EXPECT_NE(d.text.find(s), std::wstring::npos) << "missing after UTF-8 decoding";
    Decoded s = DecodePath(TestDataPath(L"roundtrip/0-0.txt"), EncodingId::Unspecified);
    for (const wchar_t* t : {L"テスト文書", L"①②⑩⑳㈱㈲㍻", L"纊 褜 鍈", L"ｱｲｳｴｵ ｶﾞｷﾞｸﾞ"})
        EXPECT_NE(s.text.find(t), std::wstring::npos) << "missing after Shift_JIS decoding";
}

// Hostile input: whatever the bytes, decoding ends, stays inside its block, and the block holds
// exactly the text plus one zero unit.
TEST(TextCodec, BadInputDecodesSafely) {
    CTempDir dir;
    std::vector<std::vector<unsigned char>> inputs = {
        Bytes("\xC3\x28\xE2\x82\xF0\x9F\x98"),           // invalid and truncated UTF-8
        Bytes(std::string("\xFF\xFE\x42\x30\x41", 5)),   // odd-length UTF-16
        Bytes("\x1B$B$\"$"),                             // ISO-2022-JP cut inside a character
        Bytes("abc\x1B$"),                               // cut inside an escape sequence
        Bytes(std::string("ab\0cd\0\0ef\n", 10)),        // NUL bytes in the middle
        Bytes("\x81\x82\x83\xFF\xFE\xFD\x80"),           // bad Shift_JIS lead and trail bytes
        Bytes(std::string("\0\0\xFE\xFF\0\x11\0\0", 8)), // UTF-32 beyond U+10FFFF
    };
    std::mt19937 rng(g_testRun.seed);
    int randomCount = g_testRun.steps > 0 ? g_testRun.steps : 40;
    for (int i = 0; i < randomCount; ++i) {
        std::vector<unsigned char> random(rng() % 3000);
        for (auto& b : random)
            b = static_cast<unsigned char>(rng());
        inputs.push_back(std::move(random));
    }
    for (size_t i = 0; i < inputs.size(); ++i) {
        for (EncodingId forced : {EncodingId::Unspecified, EncodingId::EucJp, EncodingId::Iso2022Jp, EncodingId::Utf8N,
                                  EncodingId::Utf16Le, EncodingId::Utf32Be}) {
            SCOPED_TRACE(testing::Message() << "input " << i << ", encoding " << static_cast<int>(forced));
            Decoded d = DecodeBytes(dir, inputs[i], forced);
            EXPECT_EQ(d.blockBytes, d.text.size() * 2 + 2);
            EXPECT_GE(static_cast<int>(d.encoding), 0);
            EXPECT_LT(static_cast<int>(d.encoding), kEncodingCount);
        }
    }
}

TEST(TextCodec, FilesOf2GiBAreRefusedBeforeReading) {
    CTempDir dir;
    std::wstring path = dir.File(L"huge.txt");
    {
        CFile file(path, CFile::modeReadWrite | CFile::modeCreate);
        LARGE_INTEGER size;
        size.QuadPart = 0x80000000ll;
        ASSERT_TRUE(::SetFilePointerEx(file.GetHandle(), size, nullptr, FILE_BEGIN));
        if (!::SetEndOfFile(file.GetHandle()))
            GTEST_SKIP() << "the file system cannot hold a sparse 2 GiB file";
    }
    CFile file(path, CFile::modeRead);
    EncodingId enc = EncodingId::Unspecified;
    LineEndingId le = LineEndingId::Unspecified;
    try {
        DecodeFileText(file, enc, le);
        FAIL() << "a 2 GiB file must be refused";
    } catch (const CFileException& e) {
        EXPECT_NE(e.GetErrorMessage().find(path), std::wstring::npos);
    }
    EXPECT_EQ(enc, EncodingId::Unspecified);
}

// EUC-JP has two homes for the IBM extension characters: eucJP-ms puts them in JIS X 0212
// (8F xx xx), CP51932 in rows 0xF9-0xFC. Both read as the same characters, so the text survives;
// they are written in their JIS X 0212 home, so a file from the other convention comes back in
// that form.
TEST(TextCodec, EucIbmExtensionsKeepTheirCharacters) {
    CTempDir dir;
    const std::wstring chars = L"纊褜鍈ⅰ";
    const std::vector<unsigned char> ms = Bytes("\x8F\xD4\xE3\x8F\xDC\xDF\x8F\xE4\xE9\x8F\xF3\xF3");
    EXPECT_EQ(DecodeBytes(dir, ms, EncodingId::EucJp).text, chars);
    Decoded fromCp = DecodeBytes(dir, Bytes("\xF9\xA1\xF9\xA2\xF9\xA3\xFC\xF1"), EncodingId::EucJp);
    EXPECT_EQ(fromCp.text, chars);
    EXPECT_EQ(Encode(dir, chars, EncodingId::EucJp, LineEndingId::Crlf), ms);
}

// CP932 has two codes for some characters: the NEC-selected IBM extensions (rows 89-92) and
// NEC row 13's copies of standard symbols. The characters survive; the bytes come back as the
// IBM extension and the standard code, as with Windows' own conversion.
TEST(TextCodec, Cp932DuplicateCodesKeepTheirCharacters) {
    CTempDir dir;
    Decoded d = DecodeBytes(dir, Bytes("\xED\x40\xEE\xEF\x87\x90\x82\xA0"));
    EXPECT_EQ(d.text, L"纊ⅰ≒あ");
    EXPECT_EQ(Encode(dir, d.text, d.encoding, d.lineEnding), Bytes("\xFA\x5C\xFA\x40\x81\xE0\x82\xA0"));
}
