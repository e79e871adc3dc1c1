// The encoding and line-ending catalogue: names from the string table and converter options.
#include <gtest/gtest.h>
#include "document/Encoding.h"

TEST(Encoding, NamesInListOrder) {
    const wchar_t* longNames[] = {L"Shift-JIS(自動判別)",
                                  L"EUC-JP",
                                  L"ISO-2022-JP",
                                  L"UTF-8",
                                  L"UTF-8N",
                                  L"UTF-16(big endian)",
                                  L"UTF-16(little endian)",
                                  L"UTF-16BE",
                                  L"UTF-16LE",
                                  L"UTF-32(big endian)",
                                  L"UTF-32(little endian)",
                                  L"UTF-32BE",
                                  L"UTF-32LE"};
    for (int i = 0; i < kEncodingCount; ++i) {
        EXPECT_EQ(EncodingLongName(EncodingId(i)), longNames[i]) << i;
        EXPECT_EQ(EncodingShortName(EncodingId(i)), i == 0 ? L"SJIS" : longNames[i]) << i;
        // A save writes Shift_JIS for detection: named so, without the list's "auto-detect".
        EXPECT_EQ(EncodingSaveName(EncodingId(i)), i == 0 ? L"Shift-JIS" : longNames[i]) << i;
    }
    EXPECT_EQ(EncodingSaveName(EncodingId::Unspecified), L"Shift-JIS");
    EXPECT_EQ(EncodingShortName(EncodingId::Unspecified), L"");
    EXPECT_EQ(EncodingShortName(EncodingId(-1)), L"");
    EXPECT_EQ(LineEndingLongName(LineEndingId::Crlf), L"CRLF(Windows)");
    EXPECT_EQ(LineEndingLongName(LineEndingId::Lf), L"LF(Unix)");
    EXPECT_EQ(LineEndingLongName(LineEndingId::Cr), L"CR(Mac)");
    EXPECT_EQ(LineEndingShortName(LineEndingId::Cr), L"CR");
    EXPECT_EQ(LineEndingShortName(LineEndingId::Unspecified), L"");
    EXPECT_EQ(FileFormatText(EncodingId::Utf8N, LineEndingId::Lf), L"UTF-8N / LF ");
    EXPECT_EQ(FileFormatText(EncodingId::SjisAuto, LineEndingId::Crlf), L"SJIS / CRLF ");
}

TEST(Encoding, ConverterOptions) {
    const char* reads[] = {"",      "-E",    "-J",    "-W8",   "-W80",  "-W16B", "-W16L",
                           "-W16B", "-W16L", "-W32B", "-W32L", "-W32B", "-W32L"};
    const char* writes[] = {"-s",     "-e",     "-j",    "-w8",   "-w80",   "-w16B", "-w16L",
                            "-w16B0", "-w16L0", "-w32B", "-w32L", "-w32B0", "-w32L0"};
    for (int i = 0; i < kEncodingCount; ++i) {
        EXPECT_STREQ(EncodingReadOption(EncodingId(i)), reads[i]) << i;
        EXPECT_STREQ(EncodingWriteOption(EncodingId(i)), writes[i]) << i;
    }
    EXPECT_STREQ(EncodingReadOption(EncodingId::Unspecified), "");
    EXPECT_STREQ(EncodingWriteOption(EncodingId::Unspecified), "-s");
    EXPECT_STREQ(EncodingWriteOption(EncodingId(99)), "-s");
    EXPECT_STREQ(LineEndingWriteOption(LineEndingId::Lf), " -Lu");
    EXPECT_STREQ(LineEndingWriteOption(LineEndingId::Cr), " -Lm");
    EXPECT_STREQ(LineEndingWriteOption(LineEndingId::Crlf), " -Lw");
    EXPECT_STREQ(LineEndingWriteOption(LineEndingId::Unspecified), " -Lw");
}
