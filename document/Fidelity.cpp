// The open check (encode the opened text again, compare it with the file, name the first
// difference and guess its cause from the bytes there) and the save check (which characters the
// target encoding cannot hold), both through the converter with the options a save uses.
#include "document/Fidelity.h"
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/Utf16.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

// How the encoding lays out its code units: 1 (byte encodings), 2 or 4 bytes, and their order.
struct UnitLayout {
    size_t nSize = 1;
    bool bBigEndian = false;
};

UnitLayout LayoutOf(EncodingId encoding) {
    switch (encoding) {
    case EncodingId::Utf16BeBom:
    case EncodingId::Utf16Be: return {2, true};
    case EncodingId::Utf16LeBom:
    case EncodingId::Utf16Le: return {2, false};
    case EncodingId::Utf32BeBom:
    case EncodingId::Utf32Be: return {4, true};
    case EncodingId::Utf32LeBom:
    case EncodingId::Utf32Le: return {4, false};
    default: return {1, false};
    }
}

uint32_t UnitAt(const unsigned char* p, size_t nOffset, UnitLayout layout) {
    uint32_t value = 0;
    for (size_t i = 0; i < layout.nSize; ++i) {
        size_t k = layout.bBigEndian ? i : layout.nSize - 1 - i;
        value = (value << 8) | p[nOffset + k];
    }
    return value;
}

bool IsBreak(uint32_t unit) {
    return unit == '\r' || unit == '\n';
}

// Reading options that force the encoding: detection (id 0) would be free to guess another one
// for a part of the file, or for one character.
std::string ForcedDecodeOptions(EncodingId encoding) {
    int id = static_cast<int>(encoding);
    if (id <= 0 || id >= kEncodingCount)
        return "-S" + DecodeOptions(EncodingId::Unspecified);
    return DecodeOptions(encoding);
}

// Converts the input with the options into a vector (measuring first). False when the converter
// refuses it.
template <class T> bool Convert(const std::string& options, const void* pIn, size_t nIn, std::vector<T>& out) {
    static const unsigned char kEmpty[4] = {};
    size_t nMeasured = 0;
    SetConversionOptions(options.c_str());
    if (!ConvertBuffer(nullptr, 0, &nMeasured, nIn ? pIn : kEmpty, nIn))
        return false;
    out.assign(nMeasured / sizeof(T) + 1, T{});
    size_t nProduced = 0;
    SetConversionOptions(options.c_str());
    if (!ConvertBuffer(out.data(), out.size() * sizeof(T), &nProduced, nIn ? pIn : kEmpty, nIn))
        return false;
    out.resize(std::min(nProduced, nMeasured) / sizeof(T));
    return true;
}

// Where in the text the first differing byte lies: the file's bytes before it, read again, agree
// with the text up to that point; the first character where they part is the place.
size_t TextOffsetOfByte(const unsigned char* pFile, size_t nByte, const wchar_t* pText, size_t nText,
                        EncodingId encoding) {
    std::vector<wchar_t> prefix;
    if (!Convert(ForcedDecodeOptions(encoding), pFile, nByte, prefix))
        return 0;
    size_t n = std::min(prefix.size(), nText);
    size_t k = 0;
    while (k < n && prefix[k] == pText[k])
        ++k;
    return k;
}

// Start of the line that holds the byte at nOffset: after the last CR or LF unit before it.
size_t LineStart(const unsigned char* p, size_t nOffset, UnitLayout layout) {
    size_t i = nOffset;
    while (i >= layout.nSize) {
        if (IsBreak(UnitAt(p, i - layout.nSize, layout)))
            return i;
        i -= layout.nSize;
    }
    return 0;
}

// Length of the well-formed character at p[i] (1-4), or 0 when the bytes are not one.
size_t Utf8Length(const unsigned char* p, size_t i, size_t n) {
    unsigned char b = p[i];
    if (b < 0x80)
        return 1;
    size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > n)
        return 0;
    for (size_t k = 1; k < len; ++k)
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF.
    unsigned char c = p[i + 1];
    if ((b == 0xE0 && c < 0xA0) || (b == 0xED && c >= 0xA0) || (b == 0xF0 && c < 0x90) || (b == 0xF4 && c >= 0x90))
        return 0;
    return len;
}

size_t SjisLength(const unsigned char* p, size_t i, size_t n) {
    unsigned char b = p[i];
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
        return 1;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
        if (i + 1 >= n)
            return 0;
        unsigned char t = p[i + 1];
        return (t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC) ? 2 : 0;
    }
    return 0;
}

size_t EucLength(const unsigned char* p, size_t i, size_t n) {
    auto high = [&](size_t k) { return k < n && p[k] >= 0xA1 && p[k] <= 0xFE; };
    unsigned char b = p[i];
    if (b < 0x80)
        return 1;
    if (b == 0x8E)
        return i + 1 < n && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF ? 2 : 0;
    if (b == 0x8F)
        return high(i + 1) && high(i + 2) ? 3 : 0;
    return high(i) && high(i + 1) ? 2 : 0;
}

// Walks the byte encoding's characters from the start of the line to the one that holds nOffset;
// false when one of them is not well formed.
bool ByteCharactersValid(const unsigned char* p, size_t n, size_t nOffset, EncodingId encoding) {
    size_t i = LineStart(p, nOffset, {1, false});
    while (i <= nOffset && i < n) {
        size_t len = 0;
        switch (encoding) {
        case EncodingId::EucJp: len = EucLength(p, i, n); break;
        case EncodingId::Utf8Bom:
        case EncodingId::Utf8N: len = Utf8Length(p, i, n); break;
        case EncodingId::Iso2022Jp: len = p[i] < 0x80 ? 1 : 0; break;
        default: len = SjisLength(p, i, n); break;
        }
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

bool WideCharacterValid(const unsigned char* p, size_t n, size_t nOffset, UnitLayout layout) {
    if (nOffset + layout.nSize > n)
        return false; // a cut unit at the end of the file
    uint32_t u = UnitAt(p, nOffset, layout);
    if (layout.nSize == 4)
        return u <= 0x10FFFF && !IsSurrogate(u);
    if (IsHighSurrogate(u))
        return nOffset + 4 <= n && IsLowSurrogate(UnitAt(p, nOffset + 2, layout));
    if (IsLowSurrogate(u))
        return nOffset >= 2 && IsHighSurrogate(UnitAt(p, nOffset - 2, layout));
    return true;
}

FidelityReason ReasonAt(const unsigned char* pFile, size_t nFile, const unsigned char* pOut, size_t nOut,
                        size_t nOffset, EncodingId encoding) {
    UnitLayout layout = LayoutOf(encoding);
    size_t nAligned = nOffset - nOffset % layout.nSize;
    bool bFileUnit = nAligned + layout.nSize <= nFile;
    bool bOutUnit = nAligned + layout.nSize <= nOut;
    // A break where the file has another character, or the second half of a CR LF where the file
    // ends its line after the CR: the line breaks are not all of the kind the file is written with.
    if (bFileUnit && IsBreak(UnitAt(pFile, nAligned, layout)))
        return FidelityReason::MixedLineBreaks;
    if (bOutUnit && UnitAt(pOut, nAligned, layout) == '\n' && nAligned >= layout.nSize &&
        UnitAt(pFile, nAligned - layout.nSize, layout) == '\r')
        return FidelityReason::MixedLineBreaks;
    if (nOffset >= nFile)
        return FidelityReason::Unknown; // the file ends where the text goes on
    if (layout.nSize > 1)
        return WideCharacterValid(pFile, nFile, nAligned, layout) ? FidelityReason::Unrepresentable
                                                                  : FidelityReason::InvalidBytes;
    if (!ByteCharactersValid(pFile, nFile, nOffset, encoding))
        return FidelityReason::InvalidBytes;
    if (encoding == EncodingId::Iso2022Jp) {
        // ESC ( J, ESC $ @ and the like come back as ESC ( B and ESC $ B; SO and SI (0x0E, 0x0F)
        // as escape sequences.
        for (size_t i = nOffset >= 3 ? nOffset - 3 : 0; i <= nOffset; ++i)
            if (pFile[i] == 0x1B || pFile[i] == 0x0E || pFile[i] == 0x0F)
                return FidelityReason::EscapeSequence;
        return FidelityReason::Unrepresentable;
    }
    return pFile[nOffset] < 0x80 ? FidelityReason::Unknown : FidelityReason::Unrepresentable;
}

// ISO-2022's single shifts (ESC N, ESC O) call one character from the G2 or G3 set, which the
// converter does not read: it leaves that character out without a trace. The byte offset of the
// first single shift whose character the text lacks, or npos. Only the first few are tried, as
// each costs two conversions of the file up to it.
size_t FirstDroppedBySingleShift(const unsigned char* pFile, size_t nFile) {
    constexpr int kMaxTried = 16;
    const std::string options = ForcedDecodeOptions(EncodingId::Iso2022Jp);
    std::vector<wchar_t> before, after;
    int nTried = 0;
    for (size_t i = 0; i + 2 < nFile && nTried < kMaxTried; ++i) {
        if (pFile[i] != 0x1B || (pFile[i + 1] != 'N' && pFile[i + 1] != 'O'))
            continue;
        ++nTried;
        if (Convert(options, pFile, i, before) && Convert(options, pFile, i + 3, after) && after == before)
            return i;
    }
    return std::string::npos;
}

} // namespace

void LineColumnAt(const wchar_t* pText, size_t nOffset, int& nLine, int& nColumn) {
    size_t nLineStart = 0;
    size_t nBreaks = 0;
    for (size_t i = 0; i < nOffset; ++i)
        if (pText[i] == L'\n') {
            ++nBreaks;
            nLineStart = i + 1;
        }
    nLine = static_cast<int>(nBreaks + 1);
    nColumn = static_cast<int>(nOffset - nLineStart + 1);
}

OpenCheckResult CheckOpenedText(const unsigned char* pFile, size_t nFile, const wchar_t* pText, size_t nText,
                                size_t nDecoded, EncodingId encoding, LineEndingId lineEnding) {
    static const wchar_t kEmpty[1] = {};
    if (!pText)
        pText = kEmpty, nText = 0;
    // One conversion compared with the file's bytes as it goes, with no buffer for its result: most
    // files come back whole, and only a file that does not is converted again to name the reason.
    if (EncodesBackTo(CConverter::Gui(), pText, nText, pFile, nFile, encoding, lineEnding) && nDecoded <= nText)
        return {};
    size_t nProduced = 0;
    // Into a buffer of the file's size: a result of another length differs anyway, and its first
    // nFile bytes are enough to find where.
    std::unique_ptr<unsigned char[]> out(new unsigned char[nFile + 1]);
    SetConversionOptions(EncodeOptions(encoding, lineEnding).c_str());
    if (!ConvertBuffer(out.get(), nFile, &nProduced, pText, nText * sizeof(wchar_t)))
        nProduced = 0;
    size_t nOut = std::min(nProduced, nFile);

    OpenCheckResult result;
    if (nDecoded > nText) {
        // The control stops at the NUL, so that is where the saved text would end.
        result.reason = FidelityReason::Nul;
        LineColumnAt(pText, nText, result.nLine, result.nColumn);
        return result;
    }
    if (encoding == EncodingId::Iso2022Jp) {
        // Text that vanished matters more than any difference before it: it is named first.
        const size_t nDropped = FirstDroppedBySingleShift(pFile, nFile);
        if (nDropped != std::string::npos) {
            result.reason = FidelityReason::Dropped;
            LineColumnAt(pText, TextOffsetOfByte(pFile, nDropped, pText, nText, encoding), result.nLine,
                         result.nColumn);
            return result;
        }
    }
    size_t nOffset = std::mismatch(out.get(), out.get() + nOut, pFile).first - out.get();
    result.reason = ReasonAt(pFile, nFile, out.get(), nOut, nOffset, encoding);
    out.reset();
    // A break that differs just after a CR is the line break that CR starts.
    UnitLayout layout = LayoutOf(encoding);
    size_t nAligned = nOffset - nOffset % layout.nSize;
    if (result.reason == FidelityReason::MixedLineBreaks && nAligned >= layout.nSize &&
        UnitAt(pFile, nAligned - layout.nSize, layout) == '\r')
        nOffset = nAligned - layout.nSize;
    size_t nAt = TextOffsetOfByte(pFile, nOffset, pText, nText, encoding);
    LineColumnAt(pText, nAt, result.nLine, result.nColumn);
    return result;
}

namespace {

// Characters that CP932 maps to the codes JIS gives other characters, with those characters.
bool IsJisLookAlike(wchar_t chTyped, wchar_t chRead) {
    static const wchar_t kPairs[][2] = {
        {0xFF5E, 0x301C}, // FULLWIDTH TILDE, WAVE DASH
        {0xFF0D, 0x2212}, // FULLWIDTH HYPHEN-MINUS, MINUS SIGN
        {0x2225, 0x2016}, // PARALLEL TO, DOUBLE VERTICAL LINE
        {0xFFE0, 0x00A2}, // FULLWIDTH CENT SIGN, CENT SIGN
        {0xFFE1, 0x00A3}, // FULLWIDTH POUND SIGN, POUND SIGN
        {0xFFE2, 0x00AC}, // FULLWIDTH NOT SIGN, NOT SIGN
        {0x2015, 0x2014}, // HORIZONTAL BAR, EM DASH
        {0xFFE4, 0x00A6}, // FULLWIDTH BROKEN BAR, BROKEN BAR
    };
    for (const auto& pair : kPairs)
        if (pair[0] == chTyped && pair[1] == chRead)
            return true;
    return false;
}

} // namespace

UnencodableResult FindUnencodable(const wchar_t* pText, size_t nText, EncodingId encoding) {
    UnencodableResult result;
    if (!pText || nText == 0)
        return result;
    const std::string encode = EncodeOptions(encoding, LineEndingId::Crlf);
    const std::string decode = ForcedDecodeOptions(encoding);
    enum : unsigned char { kUntested, kWritable, kUnwritable };
    std::vector<unsigned char> status(0x110000, kUntested);
    // Line breaks are the line-ending conversion's business, not characters of the encoding.
    status['\r'] = status['\n'] = kWritable;

    const bool bJapanese = encoding == EncodingId::SjisAuto || encoding == EncodingId::EucJp ||
                           encoding == EncodingId::Iso2022Jp || encoding == EncodingId::Unspecified;
    // Each character is converted behind a letter, so that one that means something only at the
    // start of a file (U+FEFF, read back as a byte-order mark) is tested where it stands in a text.
    auto writable = [&](const wchar_t* pChar, size_t nUnits) {
        wchar_t probe[3] = {L'A', pChar[0], nUnits > 1 ? pChar[1] : L'\0'};
        const size_t nProbe = nUnits + 1;
        unsigned char bytes[64];
        size_t nBytes = 0;
        SetConversionOptions(encode.c_str());
        if (!ConvertBuffer(bytes, sizeof bytes, &nBytes, probe, nProbe * sizeof(wchar_t)) || nBytes == 0 ||
            nBytes >= sizeof bytes)
            return false;
        wchar_t back[16];
        size_t nBack = 0;
        SetConversionOptions(decode.c_str());
        if (!ConvertBuffer(back, sizeof back, &nBack, bytes, nBytes) || nBack != nProbe * sizeof(wchar_t))
            return false;
        if (std::memcmp(back, probe, nBack) == 0)
            return true;
        // The look-alikes that Windows input methods type (U+FF5E ～ and the like) are written as
        // the JIS codes that Windows' own conversion writes for them, and read back as the JIS
        // characters (U+301C 〜): the bytes are what a user of these encodings expects.
        return bJapanese && nUnits == 1 && back[0] == L'A' && IsJisLookAlike(pChar[0], back[1]);
    };

    size_t nFirst = 0;
    for (size_t i = 0; i < nText; ++i) {
        wchar_t ch = pText[i];
        char32_t cp = ch;
        size_t nUnits = 1;
        bool bLone = false;
        if (IsHighSurrogate(ch) && i + 1 < nText && IsLowSurrogate(pText[i + 1])) {
            cp = CodePointOfPair(ch, pText[i + 1]);
            nUnits = 2;
        } else if (IsSurrogate(ch)) {
            bLone = true;
        }
        unsigned char& st = status[cp];
        if (bLone)
            st = kUnwritable;
        else if (st == kUntested)
            st = writable(pText + i, nUnits) ? kWritable : kUnwritable;
        if (st == kUnwritable) {
            if (result.nCount++ == 0) {
                result.chFirst = cp;
                result.bFirstIsLoneSurrogate = bLone;
                nFirst = i;
            }
        }
        i += nUnits - 1;
    }
    if (result.nCount)
        LineColumnAt(pText, nFirst, result.nLine, result.nColumn);
    return result;
}
