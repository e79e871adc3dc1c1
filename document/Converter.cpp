// The converter adapter over the embedded nkf, and the detection code built from what nkf's
// decoder found and from the first line break of the input.
#include "document/Converter.h"
#include "document/NkfEmbed.h"
#include "framework/Utf16.h"
#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

static_assert(kConverterCopies == NKF_EMBED_COPIES);

namespace {

// Which of the spare copies (1 and up) a CConverter holds.
std::atomic<bool> g_spareInUse[kConverterCopies];

enum LineBits { kLineCr = 1, kLineLf = 2, kLineCrLf = 3 };

// The first line break of the input, in code units of the decoder's width and byte order. In the
// byte-oriented encodings CR and LF bytes never occur inside a multi-byte character, so a byte
// scan is exact for them too. A CR counts as part of CR LF only when LF follows at once.
int FirstLineBreak(const unsigned char* p, size_t n, size_t unit, bool bigEndian) {
    auto at = [&](size_t i) -> uint32_t {
        uint32_t v = 0;
        for (size_t k = 0; k < unit; ++k) {
            uint32_t b = p[i + k];
            v |= bigEndian ? b << (8 * (unit - 1 - k)) : b << (8 * k);
        }
        return v;
    };
    size_t end = n - n % unit;
    for (size_t i = 0; i < end; i += unit) {
        uint32_t c = at(i);
        if (c == '\n')
            return kLineLf;
        if (c == '\r')
            return i + unit < end && at(i + unit) == '\n' ? kLineCrLf : kLineCr;
    }
    return kLineCrLf;
}

// True when the options name no input encoding, so that nkf is left to recognise it.
bool AsksForDetection(const std::string& options) {
    size_t start = 0;
    while (start < options.size()) {
        size_t end = options.find(' ', start);
        if (end == std::string::npos)
            end = options.size();
        std::string_view word(options.data() + start, end - start);
        if (word == "-E" || word == "-J" || word == "-S" || word.starts_with("-W") || word.starts_with("--ic="))
            return false;
        start = end + 1;
    }
    return true;
}

bool StartsWithMark(const unsigned char* p, size_t n) {
    return (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) ||
           (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) ||
           (n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF);
}

// Code points that a text file holds: not NUL, no C0 control but tab, line and page breaks, SUB
// and ESC, no C1 control, no non-character U+FFFE/U+FFFF.
bool IsTextCodePoint(uint32_t c) {
    if (c < 0x20)
        return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x1B;
    return !(c >= 0x7F && c <= 0x9F) && c != 0xFFFE && c != 0xFFFF;
}

uint32_t Unit(const unsigned char* p, size_t width, bool bigEndian) {
    uint32_t v = 0;
    for (size_t k = 0; k < width; ++k)
        v |= static_cast<uint32_t>(p[k]) << (8 * (bigEndian ? width - 1 - k : k));
    return v;
}

// UTF-32 has a zero in the top byte of every unit and a second byte of at most 0x10: no byte text
// looks like that. Planes 4-13 are unassigned, which keeps UTF-16 made of ASCII letters and
// control characters (61 00 0A 00 is U+A0061 read as UTF-32) from passing.
bool IsUnmarkedUtf32(const unsigned char* p, size_t n, bool bigEndian) {
    if (n == 0 || n % 4 != 0)
        return false;
    for (size_t i = 0; i < n; i += 4) {
        uint32_t c = Unit(p + i, 4, bigEndian);
        if (c > 0x10FFFF || IsSurrogate(c) || (c >= 0x40000 && c < 0xE0000) || !IsTextCodePoint(c))
            return false;
    }
    return true;
}

// UTF-16 without a mark. Text in Shift_JIS, EUC-JP, ISO-2022-JP or UTF-8 never holds a zero byte,
// but UTF-16 of Japanese holds few: only in ASCII such as the line breaks (and in U+3000, U+4E00,
// ... at the other position). So the units must be well formed (paired surrogates, text code
// points), and the zeros must be more than a stray NUL in a byte text: at least two, and either a
// line break among the units or, in a file without any CR or LF byte, zeros mostly in the high
// byte. A byte text's line breaks pair with their neighbours into other units (0x0A66, 0x540A):
// one stray NUL makes at most one unit with a zero, and is refused by the count. So a single line
// of Japanese whose only zero is in its line break stays unrecognised: it cannot be told from a
// byte text with a NUL beside its one line break.
bool IsUnmarkedUtf16(const unsigned char* p, size_t n, bool bigEndian) {
    if (n == 0 || n % 2 != 0)
        return false;
    size_t zerosHigh = 0, zerosLow = 0, breakUnits = 0, breakBytes = 0;
    for (size_t i = 0; i < n; i += 2) {
        uint32_t c = Unit(p + i, 2, bigEndian);
        if (IsHighSurrogate(c)) {
            if (i + 2 >= n)
                return false;
            uint32_t low = Unit(p + i + 2, 2, bigEndian);
            if (!IsLowSurrogate(low))
                return false;
            i += 2;
            continue;
        }
        if (IsLowSurrogate(c) || !IsTextCodePoint(c))
            return false;
        zerosHigh += (c >> 8) == 0;
        zerosLow += (c & 0xFF) == 0;
        breakUnits += c == '\r' || c == '\n';
        breakBytes += (c & 0xFF) == '\r' || (c & 0xFF) == '\n' || (c >> 8) == '\r' || (c >> 8) == '\n';
    }
    if (zerosHigh + zerosLow < 2)
        return false;
    if (breakBytes == 0)
        return zerosHigh > zerosLow;
    return breakUnits > 0;
}

// The input option for a file in UTF-16 or UTF-32 without a byte-order mark, or null. Only files
// holding a zero byte and no mark are looked at; nkf itself takes such a file for binary.
const char* UnmarkedUnicodeOption(const unsigned char* p, size_t n) {
    if (n == 0 || !std::memchr(p, 0, n) || StartsWithMark(p, n))
        return nullptr;
    bool le32 = IsUnmarkedUtf32(p, n, false), be32 = IsUnmarkedUtf32(p, n, true);
    if (le32 || be32)
        return le32 ? "-W32L" : "-W32B";
    bool le16 = IsUnmarkedUtf16(p, n, false), be16 = IsUnmarkedUtf16(p, n, true);
    if (le16 && be16) {
        // Both readings are well formed: the one whose zeros sit in the high byte is the text.
        size_t evenZeros = 0, oddZeros = 0;
        for (size_t i = 0; i < n; ++i)
            (i % 2 ? oddZeros : evenZeros) += p[i] == 0;
        return oddZeros >= evenZeros ? "-W16L" : "-W16B";
    }
    return le16 ? "-W16L" : be16 ? "-W16B" : nullptr;
}

// Whole input valid UTF-8 (shortest forms, no surrogates, at most U+10FFFF) with at least one
// four-byte sequence.
bool IsUtf8WithFourByteSequence(const unsigned char* p, size_t n) {
    bool fourBytes = false;
    size_t i = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < length || p[i + 1] < lo || p[i + 1] > hi)
            return false;
        for (size_t k = 2; k < length; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        fourBytes = fourBytes || length == 4;
        i += length;
    }
    return fourBytes;
}

// The input option that reads a byte-oriented family.
const char* ForcedOption(int family) {
    switch (family) {
    case NKF_FAMILY_EUC: return "-E";
    case NKF_FAMILY_JIS: return "-J";
    case NKF_FAMILY_UTF8: return "-W8";
    default: return "-S";
    }
}

int FamilyBase(const NkfFindings& f) {
    switch (f.family) {
    case NKF_FAMILY_EUC: return 8;
    case NKF_FAMILY_JIS: return 12;
    case NKF_FAMILY_UTF8: return 32;
    case NKF_FAMILY_UTF16: return f.bigEndian ? 96 : 64;
    case NKF_FAMILY_UTF32: return f.bigEndian ? 160 : 128;
    default: return 4;
    }
}

} // namespace

CConverter::CConverter(int nCopy) : m_nCopy(nCopy) {}

void CConverter::SetOptions(const char* pszOptions) {
    std::string text = pszOptions ? pszOptions : "";
    if (text.empty() || text[0] != '-')
        text.insert(text.begin(), '-');
    // "-W80" (UTF-8 input, no mark) is the catalogue's read option for UTF-8N, but nkf 2.1.5 reads
    // only "-W8" for input and takes the "0" for an unknown option; both select UTF-8 input, and
    // whether a mark was there is learned from the detection code.
    m_options.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view word(text.data() + start, end - start);
        m_options += word == "-W80" ? std::string_view("-W8") : word;
        if (end < text.size())
            m_options += ' ';
        start = end + 1;
    }
}

bool CConverter::Convert(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength) {
    if (!pIn)
        return false;
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    size_t capacity = out ? nCapacity : 0;
    size_t produced = 0;
    bool detect = AsksForDetection(m_options);
    const char* forced = detect ? UnmarkedUnicodeOption(in, nInLength) : nullptr;
    std::string options = forced ? std::string(forced) + " " + m_options : m_options;
    bool ok = nkf_embed_convert(m_nCopy, options.c_str(), in, nInLength, out, capacity, &produced) != 0;
    NkfFindings f = nkf_embed_findings(m_nCopy);
    // nkf's UTF-8 guess gives a four-byte sequence (an emoji, U+20BB7) no weight, so UTF-8 whose
    // first non-ASCII character takes four bytes is taken for Shift_JIS or ISO-2022-JP. A file
    // that is valid UTF-8 throughout and holds a four-byte sequence is read as UTF-8. Any valid
    // UTF-8 would be too wide: a file of one or two kanji in EUC-JP (C4 A1, rows 0x42-0x5F) or
    // Shift_JIS is often valid two- or three-byte UTF-8 too. A four-byte sequence in them needs a
    // lead F0-F4 (EUC-JP's last kanji rows, Shift_JIS's user-defined area) followed by three
    // bytes 80-BF, and the rest of the file valid UTF-8 as well.
    const char* again = nullptr;
    m_bChangedItsMind = false;
    if (detect && !forced && f.family != NKF_FAMILY_UTF8 && IsUtf8WithFourByteSequence(in, nInLength))
        again = "-W8";
    // After a binary verdict the text may come from two decoders; it is decoded again, all of it
    // in the encoding the file fits best, so that the text and the encoding reported agree.
    else if (f.binary) {
        again = ForcedOption(f.family);
        m_bChangedItsMind = true;
    }
    if (again) {
        options = std::string(again) + " " + m_options;
        produced = 0;
        ok = nkf_embed_convert(m_nCopy, options.c_str(), in, nInLength, out, capacity, &produced) != 0;
        f = nkf_embed_findings(m_nCopy);
    }
    if (pnProduced)
        *pnProduced = produced;
    if (out && produced < nCapacity)
        out[produced] = 0;

    size_t unit = f.family == NKF_FAMILY_UTF16 ? 2 : f.family == NKF_FAMILY_UTF32 ? 4 : 1;
    m_detectionCode = FamilyBase(f) + (f.bom ? 16 : 0) + FirstLineBreak(in, nInLength, unit, f.bigEndian != 0);
    return ok;
}

bool CConverter::Compare(const void* pExpected, size_t nExpected, size_t* pnProduced, size_t* pnFirstDifference,
                         const void* pIn, size_t nInLength) {
    size_t produced = 0, first = SIZE_MAX;
    static const unsigned char kNone[1] = {0};
    const bool ok =
        pIn && nkf_embed_compare(m_nCopy, m_options.c_str(), static_cast<const unsigned char*>(pIn), nInLength,
                                 pExpected ? static_cast<const unsigned char*>(pExpected) : kNone,
                                 pExpected ? nExpected : 0, &produced, &first) != 0;
    if (pnProduced)
        *pnProduced = produced;
    if (pnFirstDifference)
        *pnFirstDifference = first == static_cast<size_t>(-1) ? SIZE_MAX : first;
    return ok;
}

void CConverter::SetProgress(ProgressFunction pfn, void* pContext) {
    nkf_embed_set_progress(m_nCopy, pfn, pfn ? pContext : nullptr);
}

std::unique_ptr<CConverter> CConverter::ClaimSpare() {
    for (int nCopy = 1; nCopy < kConverterCopies; ++nCopy) {
        bool bFree = false;
        if (g_spareInUse[nCopy].compare_exchange_strong(bFree, true))
            return std::unique_ptr<CConverter>(new CConverter(nCopy));
    }
    return nullptr;
}

CConverter::~CConverter() {
    if (m_nCopy > 0)
        g_spareInUse[m_nCopy] = false;
}

CConverter& CConverter::Gui() {
    static CConverter converter(0);
    return converter;
}

void SetConversionOptions(const char* pszOptions) {
    CConverter::Gui().SetOptions(pszOptions);
}

bool ConvertBuffer(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength) {
    return CConverter::Gui().Convert(pOut, nCapacity, pnProduced, pIn, nInLength);
}

bool CompareConversion(const void* pExpected, size_t nExpected, size_t* pnProduced, size_t* pnFirstDifference,
                       const void* pIn, size_t nInLength) {
    return CConverter::Gui().Compare(pExpected, nExpected, pnProduced, pnFirstDifference, pIn, nInLength);
}

int GetDetectionCode() {
    return CConverter::Gui().DetectionCode();
}
