#pragma once
// The one vocabulary for file formats: encoding and line-ending ids (also the positions in the
// dialogs' lists), their names from the string table, and the converter options for each.
#include <string>

enum class EncodingId : int {
    SjisAuto = 0, // detection when reading, Shift_JIS when writing
    EucJp = 1,
    Iso2022Jp = 2,
    Utf8Bom = 3,
    Utf8N = 4,
    Utf16BeBom = 5,
    Utf16LeBom = 6,
    Utf16Be = 7,
    Utf16Le = 8,
    Utf32BeBom = 9,
    Utf32LeBom = 10,
    Utf32Be = 11,
    Utf32Le = 12,
    Unspecified = 13,
};
constexpr int kEncodingCount = 13; // ids 0-12 describe files; 13 only requests detection

enum class LineEndingId : int {
    Crlf = 0,
    Lf = 1,
    Cr = 2,
    Unspecified = 3,
};
constexpr int kLineEndingCount = 3;

// Names shown in the Open and Save As lists (ids 0-12 and 0-2); empty for other values.
std::wstring EncodingLongName(EncodingId id);
std::wstring LineEndingLongName(LineEndingId id);
// The name of the encoding a save writes, for questions about saving: the list's name, except that
// detection (0, and 13) writes Shift_JIS and is named so, without the list's "auto-detect".
std::wstring EncodingSaveName(EncodingId id);
// Names shown in the status bar; empty for any value outside the lists.
std::wstring EncodingShortName(EncodingId id);
std::wstring LineEndingShortName(LineEndingId id);
// "UTF-8N / LF ": the short names of a pair as the status bar shows them.
std::wstring FileFormatText(EncodingId encoding, LineEndingId lineEnding);

// Converter options. The read option is empty for 0, 13 and unknown values (detection).
const char* EncodingReadOption(EncodingId id);
// "-s" (Shift_JIS) for 0, 13 and unknown values.
const char* EncodingWriteOption(EncodingId id);
// " -Lu", " -Lm", or " -Lw" for CR LF and every other value; the leading blank is part of it.
const char* LineEndingWriteOption(LineEndingId id);
