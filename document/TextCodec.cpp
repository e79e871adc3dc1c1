// Decoding file bytes into editor text and encoding editor text into file bytes, both through the
// converter adapter in one pass into a block of an upper bound of the result's size.
#include "document/TextCodec.h"
#include "document/Converter.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "framework/Progress.h"
#include "framework/TextRoom.h"
#include "framework/Utf16.h"
#include "res/resource.h"
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace {

constexpr UINT kFileTooLargeMessage = IDS_FILE_TOO_LARGE;

ConvertFunction g_pfnConvert = ConvertBuffer;

// The offset of the first byte b in p[from, n), or n. Eight bytes at a time: the C library's
// memchr under Wine goes a byte at a time, and a large file is scanned several times on opening.
size_t FindByte(const unsigned char* p, size_t from, size_t n, unsigned char b) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const uint64_t pattern = kOnes * b;
    size_t i = from;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        w ^= pattern; // a zero byte where p holds b
        if ((w - kOnes) & ~w & kHighs)
            break;
    }
    for (; i < n; ++i)
        if (p[i] == b)
            return i;
    return n;
}

// Converts the input with the options, in one pass, into a new movable block of nBound bytes
// (plus room for a terminator): an upper bound of the result that the caller works out from the
// input. Should the converter write more than the bound after all, it is converted once more into
// a block of the exact size (it reports the result's full length whether or not it fitted), so the
// bound is a matter of speed, never of correctness. When the bound itself cannot be had (the
// memory is short), a measuring pass finds the exact size first, as the conversion always did
// before, so a file that fits is never refused for its bound. The result is followed by a zero
// byte when its length is odd (nkf can end UTF-16 output on half a unit: an ISO-2022-JP "ESC N"
// at the end of the input leaves one byte), so that the last unit is whole, and then by a whole
// zero unit. Returns the block (unlocked, possibly larger than the result) and the result's
// length. A converter that gives up, or converts to other than it measured, is a
// CConversionException: the memory was there, so "out of memory" would send the user looking for
// the wrong cause.
CLocalBlock ConvertIntoBlock(const std::string& options, const void* pIn, size_t nIn, size_t nBound, size_t& nOut,
                             CProgress* pProgress, UINT nPhaseId) {
    constexpr size_t kTerminator = 4;
    CLocalBlock out;
    if (nBound <= (~size_t(0)) - kTerminator)
        out.Attach(::LocalAlloc(LMEM_MOVEABLE, nBound + kTerminator));
    size_t produced = 0;
    if (out) {
        CLocalLock lock(out.Get());
        if (!lock.Get())
            throw CMemoryException();
        CConversionProgressScope progress(pProgress, nPhaseId);
        SetConversionOptions(options.c_str());
        if (!g_pfnConvert(lock.Get(), nBound, &produced, pIn, nIn))
            throw CConversionException();
    } else {
        CConversionProgressScope progress(pProgress, nPhaseId);
        SetConversionOptions(options.c_str());
        if (!g_pfnConvert(nullptr, 0, &produced, pIn, nIn))
            throw CConversionException();
    }
    if (!out || produced > nBound) {
        const size_t measured = produced;
        if (measured > (~size_t(0)) - kTerminator)
            throw CMemoryException();
        out.Close(); // the first attempt's block goes before the exact one is taken
        out.Attach(::LocalAlloc(LMEM_MOVEABLE, measured + kTerminator));
        if (!out)
            throw CMemoryException();
        CLocalLock lock(out.Get());
        if (!lock.Get())
            throw CMemoryException();
        CConversionProgressScope progress(pProgress, nPhaseId);
        SetConversionOptions(options.c_str());
        if (!g_pfnConvert(lock.Get(), measured, &produced, pIn, nIn) || produced != measured)
            throw CConversionException();
    }
    {
        CLocalLock lock(out.Get());
        if (!lock.Get())
            throw CMemoryException();
        std::fill_n(lock.As<unsigned char>() + produced, (produced & 1) + 2, static_cast<unsigned char>(0));
    }
    nOut = produced;
    return out;
}

// Lets the block go down to nBytes. The allocator may keep it where it is or move it; a block it
// cannot shrink stays as it was, which costs address space, not correctness.
void ShrinkBlock(CLocalBlock& block, size_t nBytes) {
    if (::LocalSize(block.Get()) <= nBytes)
        return;
    if (HLOCAL hSmaller = ::LocalReAlloc(block.Get(), nBytes, LMEM_MOVEABLE)) {
        block.Detach();
        block.Attach(hSmaller);
    }
}

// Lets a decoded text's block go down to the text of nBytes (even) and its terminator, or to the
// room the text control would grow the text to.
void ShrinkText(CLocalBlock& block, size_t nBytes, bool bRoomToEdit) {
    ShrinkBlock(block, bRoomToEdit ? std::max(nBytes + 2, TextRoom(nBytes / 2) * sizeof(wchar_t)) : nBytes + 2);
}

// The position of the first half of a surrogate pair that has no partner, or n.
size_t FindLoneSurrogate(const wchar_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (IsHighSurrogate(p[i]) && i + 1 < n && IsLowSurrogate(p[i + 1]))
            ++i;
        else if (IsHighSurrogate(p[i]) || IsLowSurrogate(p[i]))
            return i;
    }
    return n;
}

ULONGLONG SystemAvailableMemory() {
    // Wine keeps the figures of its last call for a second, and a call on another thread while
    // the process's first call is still filling them in gets them empty (nothing available): the
    // files that threads decode at once would be refused. Calls are made one at a time.
    static std::mutex s_mutex;
    std::lock_guard<std::mutex> lock(s_mutex);
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!::GlobalMemoryStatusEx(&status))
        return ~0ull; // nothing known: nothing is refused
    return status.ullAvailPhys;
}

AvailableMemoryFunction g_pfnAvailableMemory = SystemAvailableMemory;

// What our text control takes, beyond the text, to show a line of nChars characters: it lays a
// line out whole when it comes on screen, keeping a copy of its text (2 bytes a character) and
// the position of every character (4), and measures through a buffer of widths (4) meanwhile.
// Measured under Wine 8 with one line of 20 Mi characters: 2.5 s to the idle window, a peak
// working set of 12-13 bytes a character with the text itself.
constexpr ULONGLONG kLayoutBytesPerChar = 10;

[[noreturn]] void ThrowNeedsTooMuchMemory(const CFile& file) {
    CFileException tooMuch(CFileException::none, ERROR_NOT_ENOUGH_MEMORY, file.GetFilePath());
    tooMuch.m_nMessageId = IDS_FILE_NEEDS_TOO_MUCH_MEMORY;
    throw tooMuch;
}

// The text with every half of a surrogate pair that has no partner left out.
std::wstring WithoutLoneSurrogates(const wchar_t* pText, size_t nLength) {
    std::wstring text;
    text.reserve(nLength);
    for (size_t i = 0; i < nLength; ++i) {
        if (IsHighSurrogate(pText[i]) && i + 1 < nLength && IsLowSurrogate(pText[i + 1])) {
            text.append(pText + i, 2);
            ++i;
        } else if (!IsHighSurrogate(pText[i]) && !IsLowSurrogate(pText[i])) {
            text += pText[i];
        }
    }
    return text;
}

// Stores what the detection code says into the out-parameters; a code outside the table leaves
// the encoding, and line bits 0 the line ending, as they were.
void ApplyDetectionCode(int code, EncodingId& encoding, LineEndingId& lineEnding) {
    EncodingId found = EncodingFromDetectionCode(code);
    if (found != EncodingId::Unspecified)
        encoding = found;
    switch (code & 3) {
    case 1: lineEnding = LineEndingId::Cr; break;
    case 2: lineEnding = LineEndingId::Lf; break;
    case 3: lineEnding = LineEndingId::Crlf; break;
    default: break;
    }
}

} // namespace

CConversionProgressScope::CConversionProgressScope(CProgress* pProgress, UINT nPhaseId)
    : m_pProgress(pProgress), m_nPhaseId(nPhaseId) {
    if (m_pProgress)
        CConverter::Gui().SetProgress(&CConversionProgressScope::OnProgress, this);
}

CConversionProgressScope::~CConversionProgressScope() {
    if (m_pProgress)
        CConverter::Gui().SetProgress(nullptr, nullptr);
}

void CConversionProgressScope::OnProgress(void* pContext, size_t nDone, size_t nTotal) {
    // Called from inside the converter's C code: nothing may be thrown through it.
    auto* self = static_cast<CConversionProgressScope*>(pContext);
    try {
        self->m_pProgress->Step(self->m_nPhaseId, nDone, nTotal);
    } catch (...) {
        // A repaint that failed costs the picture, not the conversion.
    }
}

// An upper bound of the UTF-16 bytes that decoding gives: every unit of the result comes from at
// least one byte of the input (a two-byte character gives one unit, a four-byte UTF-8 sequence
// two), but for the break that a lone CR or LF gains (each becomes CR LF). One unit each for the
// CR and LF bytes therefore covers every break.
size_t DecodedBound(const unsigned char* p, size_t n) {
    // One pass that the compiler can vectorise: byte-wide counts over runs of 255 bytes.
    size_t nBreaks = 0;
    for (size_t i = 0; i < n;) {
        const size_t nEnd = std::min(n, i + 255);
        unsigned char nRun = 0;
        for (; i < nEnd; ++i)
            nRun += static_cast<unsigned char>((p[i] == '\r') | (p[i] == '\n'));
        nBreaks += nRun;
    }
    return (n + nBreaks + 2) * sizeof(wchar_t);
}

// An upper bound of the bytes that encoding nUnits UTF-16 units gives: the widest form of one
// unit in the encoding (a surrogate pair's two units give one character), a lone CR or LF in the
// text becoming a CR LF pair, a byte-order mark, and in ISO-2022-JP an escape sequence before
// every character and one at the end.
size_t EncodedBound(EncodingId encoding, size_t nUnits) {
    size_t nPerUnit = 2, nExtra = 4; // Shift_JIS: two bytes a character at most, a break two
    switch (encoding) {
    case EncodingId::EucJp: nPerUnit = 3; break; // JIS X 0212: three bytes
    case EncodingId::Iso2022Jp: nPerUnit = 5, nExtra = 8; break;
    case EncodingId::Utf8Bom:
    case EncodingId::Utf8N: nPerUnit = 3, nExtra = 8; break;
    case EncodingId::Utf16BeBom:
    case EncodingId::Utf16LeBom:
    case EncodingId::Utf16Be:
    case EncodingId::Utf16Le: nPerUnit = 4; break;
    case EncodingId::Utf32BeBom:
    case EncodingId::Utf32LeBom:
    case EncodingId::Utf32Be:
    case EncodingId::Utf32Le: nPerUnit = 8, nExtra = 8; break;
    default: break;
    }
    if (nUnits > ((~size_t(0)) - nExtra) / nPerUnit)
        throw CMemoryException();
    return nUnits * nPerUnit + nExtra;
}

TextEstimate EstimateText(const void* pBytes, size_t nLength) {
    const auto* p = static_cast<const unsigned char*>(pBytes);
    // Lines are measured in bytes, which is at least the characters they become in the byte
    // encodings; UTF-16 and UTF-32 with a mark are measured in their units. Line breaks are found
    // as CR and LF bytes, which in UTF-16 and UTF-32 are the low bytes of their units.
    size_t unit = 1;
    if (nLength >= 4 && ((p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) ||
                         (p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0)))
        unit = 4;
    else if (nLength >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF)))
        unit = 2;
    // The next CR and the next LF are each looked for from where the last one was found, so the
    // scan stays one pass whichever break the file uses.
    auto next = [&](size_t from, unsigned char b) { return FindByte(p, from, nLength, b); };
    ULONGLONG units = 0, longest = 0;
    size_t lineStart = 0, nextCr = next(0, '\r'), nextLf = next(0, '\n');
    for (;;) {
        const size_t end = std::min(nextCr, nextLf); // the end of the text counts as a break
        const ULONGLONG lineUnits = (end - lineStart) / unit;
        units += lineUnits + 2; // every break becomes CR LF
        longest = std::max(longest, lineUnits);
        if (end >= nLength)
            break;
        lineStart = end + 1;
        if (end == nextCr)
            nextCr = next(lineStart, '\r');
        if (end == nextLf)
            nextLf = next(lineStart, '\n');
    }
    return {units * 2 + longest * kLayoutBytesPerChar, longest};
}

ULONGLONG EstimateTextMemory(const void* pBytes, size_t nLength) {
    return EstimateText(pBytes, nLength).memory;
}

AvailableMemoryFunction SetAvailableMemoryFunction(AvailableMemoryFunction pfn) {
    AvailableMemoryFunction previous = g_pfnAvailableMemory;
    g_pfnAvailableMemory = pfn ? pfn : SystemAvailableMemory;
    return previous;
}

ConvertFunction SetConvertFunction(ConvertFunction pfn) {
    ConvertFunction previous = g_pfnConvert;
    g_pfnConvert = pfn ? pfn : ConvertBuffer;
    return previous;
}

std::string DecodeOptions(EncodingId requested) {
    // UTF-16 LE without mark and CR LF breaks is what the edit control holds; -x keeps half-width
    // katakana as they are; -m0 turns off nkf's MIME decoding, which would otherwise rewrite any
    // "=?ISO-2022-JP?B?...?=" in the file's text just by opening it. nkf carries Unicode input
    // through JIS X 0208, which folds look-alikes (U+FF0D to U+2212, U+FFE0 to U+00A2);
    // --no-best-fit-chars passes those through unchanged, and touches no other input.
    return std::string(EncodingReadOption(requested)) + " -w16L0 -Lw" + " -x" + " -m0" + " --no-best-fit-chars";
}

std::string EncodeOptions(EncodingId encoding, LineEndingId lineEnding) {
    // nkf's --cp932 is left out on purpose: with it, nkf drops U+301C, U+2212 and U+2016 (what
    // it reads Shift_JIS 0x8160, 0x817C, 0x8161 as) when writing Shift_JIS, and folds characters
    // outside CP932 (é to e) when writing Unicode. Its plain Shift_JIS output already writes the
    // CP932 extensions. Unicode output keeps look-alikes unfolded, as on reading; the Japanese
    // encodings need the folding, since it is what maps U+FF0D to Shift_JIS 0x817C.
    //
    // nkf's -e output (eucJP-nkf) leaves out every JIS X 0212 character (8F xx xx: ō, ū, ©),
    // though it reads them. EUC-JP-ASCII writes them back; measured over every code of
    // A1-FE x A1-FE and 8F A1-FE x A1-FE read with -E, it gives the same bytes as -e for all
    // others, but for the 373 IBM extensions (纊 and the like), which it writes in their JIS X 0212
    // home (8F D4 E3, as eucJP-ms and the EUC-JP-MS fixtures have them) rather than in rows F9-FC.
    // eucJP-ms output would also keep JIS X 0212, but writes ¥ (A1EF) and ‾ (A1B1) as ASCII 5C and
    // 7E; CP51932 drops JIS X 0212 like -e. nkf takes the value of a long option up to the end of
    // the option text, so it comes last.
    int id = static_cast<int>(encoding);
    bool unicode = id >= static_cast<int>(EncodingId::Utf8Bom) && id <= static_cast<int>(EncodingId::Utf32Le);
    return std::string(EncodingWriteOption(encoding)) + LineEndingWriteOption(lineEnding) + " -W16L" + " -x" +
           (unicode ? " --no-best-fit-chars" : "") + (encoding == EncodingId::EucJp ? " --oc=EUC-JP-ASCII" : "");
}

EncodingId EncodingFromDetectionCode(int code) {
    switch (code & ~3) {
    case 4: return EncodingId::SjisAuto;
    case 8: return EncodingId::EucJp;
    case 12: return EncodingId::Iso2022Jp;
    case 32: return EncodingId::Utf8N;
    case 48: return EncodingId::Utf8Bom;
    case 64: return EncodingId::Utf16Le;
    case 80: return EncodingId::Utf16LeBom;
    case 96: return EncodingId::Utf16Be;
    case 112: return EncodingId::Utf16BeBom;
    case 128: return EncodingId::Utf32Le;
    case 144: return EncodingId::Utf32LeBom;
    case 160: return EncodingId::Utf32Be;
    case 176: return EncodingId::Utf32BeBom;
    default: return EncodingId::Unspecified;
    }
}

CLocalBlock ReadFileBytes(CFile& file, size_t& nLength, CProgress* pProgress) {
    ULONGLONG length = file.GetLength();
    // Lengths are 32-bit: a larger file would be read short and then saved short, so it is refused
    // before anything is read.
    if (length >= kMaxFileLength) {
        CFileException tooLarge(CFileException::invalidFile, ERROR_FILE_TOO_LARGE, file.GetFilePath());
        tooLarge.m_nMessageId = kFileTooLargeMessage;
        throw tooLarge;
    }
    size_t n = static_cast<size_t>(length);
    // More than there is makes the whole system page for minutes. What the text will need is
    // checked against the memory available: before reading, the least it can be (the bytes, and a
    // text of at least half as many bytes, as UTF-32 gives); after reading, from the lengths of
    // its lines, before the conversion.
    if (length + length / 2 > g_pfnAvailableMemory())
        ThrowNeedsTooMuchMemory(file);

    CLocalBlock input(::LocalAlloc(LMEM_MOVEABLE, n + 2));
    if (!input)
        throw CMemoryException();
    {
        CLocalLock inputLock(input.Get());
        if (!inputLock.Get())
            throw CMemoryException();
        inputLock.As<unsigned char>()[n] = inputLock.As<unsigned char>()[n + 1] = 0;
        // Read in slices, so that a large file's reading can be told in the status bar.
        constexpr size_t kSlice = size_t(8) << 20;
        auto* p = inputLock.As<unsigned char>();
        for (size_t nDone = 0; nDone < n;) {
            const size_t nWant = std::min(kSlice, n - nDone);
            if (file.Read(p + nDone, nWant) != nWant)
                throw CArchiveException(CArchiveException::endOfFile, file.GetFilePath());
            nDone += nWant;
            if (pProgress)
                pProgress->Step(IDS_PROGRESS_READING, nDone, n);
        }
        if (EstimateText(inputLock.Get(), n).memory > g_pfnAvailableMemory())
            ThrowNeedsTooMuchMemory(file);
    }
    nLength = n;
    return input;
}

CLocalBlock DecodeFileBytes(const void* pBytes, size_t nLength, EncodingId& encoding, LineEndingId& lineEnding,
                            CProgress* pProgress, size_t* pnUnits, bool bRoomToEdit) {
    static const unsigned char kEmpty[2] = {0, 0};
    const auto* p = pBytes ? static_cast<const unsigned char*>(pBytes) : kEmpty;
    if (!pBytes)
        nLength = 0;
    size_t m = 0;
    CLocalBlock text = ConvertIntoBlock(DecodeOptions(encoding), p, nLength, DecodedBound(p, nLength), m, pProgress,
                                        IDS_PROGRESS_DECODING);
    // The text and its terminating zero unit; what the bound left over goes back.
    ShrinkText(text, m + (m & 1), bRoomToEdit);
    ApplyDetectionCode(GetDetectionCode(), encoding, lineEnding);
    if (pnUnits)
        *pnUnits = (m + 1) / 2;
    return text;
}

bool EncodesBackTo(CConverter& converter, const void* pText, size_t nUnits, const unsigned char* pFile, size_t nFile,
                   EncodingId encoding, LineEndingId lineEnding) {
    static const unsigned char kEmpty[2] = {};
    size_t nProduced = 0, nFirst = SIZE_MAX;
    converter.SetOptions(EncodeOptions(encoding, lineEnding).c_str());
    return converter.Compare(pFile, nFile, &nProduced, &nFirst, pText ? pText : kEmpty, (pText ? nUnits : 0) * 2) &&
           nFirst == SIZE_MAX && nProduced == nFile;
}

namespace {

// What decoding one half of a file and encoding it back found.
struct HalfOutcome {
    bool bWhole = false; // decoded by one decoder, into its room, and encoded back to its bytes
    size_t nProduced = 0;
    int nDetection = 0;
};

HalfOutcome DecodeAndCheckHalf(CConverter& converter, const std::string& options, const unsigned char* pIn, size_t nIn,
                               unsigned char* pOut, size_t nCapacity, CProgress* pProgress) {
    HalfOutcome outcome;
    {
        CConversionProgressScope decoding(pProgress, IDS_PROGRESS_DECODING);
        converter.SetOptions(options.c_str());
        if (!converter.Convert(pOut, nCapacity, &outcome.nProduced, pIn, nIn) || outcome.nProduced > nCapacity ||
            outcome.nProduced % 2 != 0 || converter.ChangedItsMind())
            return outcome;
    }
    outcome.nDetection = converter.DetectionCode();
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Crlf;
    ApplyDetectionCode(outcome.nDetection, encoding, lineEnding);
    CConversionProgressScope checking(pProgress, IDS_PROGRESS_CHECKING);
    outcome.bWhole = EncodesBackTo(converter, pOut, outcome.nProduced / 2, pIn, nIn, encoding, lineEnding);
    return outcome;
}

// The file's bytes may be cut in two: nothing in them carries a state from one line to the next.
bool MayCutInHalves(const unsigned char* p, size_t n, EncodingId requested) {
    switch (requested) {
    case EncodingId::SjisAuto:
    case EncodingId::Unspecified:
    case EncodingId::EucJp:
    case EncodingId::Utf8Bom:
    case EncodingId::Utf8N: break;
    default: return false;
    }
    // NUL: UTF-16 and UTF-32 without a mark; ESC: ISO-2022-JP's escape sequences, which nkf follows
    // in any encoding; SO and SI: half-width katakana shifted in and out.
    unsigned char found = 0; // one pass the compiler can vectorise
    for (size_t i = 0; i < n; ++i)
        found |= static_cast<unsigned char>((p[i] == 0x00) | (p[i] == 0x1B) | ((p[i] & 0xFE) == 0x0E));
    return !found;
}

} // namespace

CLocalBlock DecodeCheckedInHalves(const void* pBytes, size_t nLength, EncodingId& encoding, LineEndingId& lineEnding,
                                  CProgress* pProgress, size_t* pnUnits, size_t nMinimum, bool bRoomToEdit) {
    const auto* p = static_cast<const unsigned char*>(pBytes);
    if (!p || nLength < nMinimum || nLength < 2 || g_pfnConvert != ConvertBuffer ||
        !MayCutInHalves(p, nLength, encoding))
        return {};
    // The cut follows the first LF from the middle on (or the last before it), so that the first
    // half ends a line: a CR LF stays whole, and the file's first line break lies in the first half.
    size_t nCut = FindByte(p, nLength / 2, nLength, '\n') + 1;
    if (nCut >= nLength) {
        nCut = 0;
        for (size_t i = nLength / 2; i-- > 0;)
            if (p[i] == '\n') {
                nCut = i + 1;
                break;
            }
    }
    if (nCut == 0 || nCut == nLength)
        return {};
    std::unique_ptr<CConverter> spare = CConverter::ClaimSpare();
    if (!spare)
        return {};

    // One block holds both halves' room; the second half's text moves down behind the first's.
    constexpr size_t kTerminator = 4;
    const size_t nRoomFirst = DecodedBound(p, nCut), nRoomSecond = DecodedBound(p + nCut, nLength - nCut);
    CLocalBlock text(::LocalAlloc(LMEM_MOVEABLE, nRoomFirst + nRoomSecond + kTerminator));
    if (!text)
        return {};
    size_t nText = 0;
    int nDetection = 0;
    {
        CLocalLock lock(text.Get());
        if (!lock.Get())
            return {};
        auto* pOut = lock.As<unsigned char>();
        const std::string options = DecodeOptions(encoding);
        HalfOutcome second;
        bool bSecondThrew = false;
        std::thread worker([&] {
            try {
                second = DecodeAndCheckHalf(*spare, options, p + nCut, nLength - nCut, pOut + nRoomFirst, nRoomSecond,
                                            nullptr);
            } catch (...) {
                bSecondThrew = true;
            }
        });
        HalfOutcome first;
        try {
            first = DecodeAndCheckHalf(CConverter::Gui(), options, p, nCut, pOut, nRoomFirst, pProgress);
        } catch (...) {
            worker.join();
            throw;
        }
        worker.join();
        if (bSecondThrew || !first.bWhole || !second.bWhole)
            return {};
        // The same decoder for both halves: the same family, and no mark read at the cut (a mark
        // there is a character of the text, which only the start of a file drops). A second half
        // without a line break says nothing of the file's.
        const int nFamily = first.nDetection & ~(16 | 3); // 4 Shift_JIS, 8 EUC-JP, 32 UTF-8 (see GetDetectionCode)
        const bool bSecondHasBreak = FindByte(p, nCut, nLength, '\n') < nLength ||
                                     FindByte(p, nCut, nLength, '\r') < nLength;
        if ((nFamily != 4 && nFamily != 8 && nFamily != 32) || (second.nDetection & 16) ||
            (second.nDetection & ~3) != nFamily ||
            (bSecondHasBreak && (second.nDetection & 3) != (first.nDetection & 3)))
            return {};
        // Both halves came back as their bytes, which hold no NUL: neither text holds one either.
        std::memmove(pOut + first.nProduced, pOut + nRoomFirst, second.nProduced);
        nText = first.nProduced + second.nProduced;
        std::fill_n(pOut + nText, 2, static_cast<unsigned char>(0));
        nDetection = first.nDetection;
    }
    ShrinkText(text, nText, bRoomToEdit);
    ApplyDetectionCode(nDetection, encoding, lineEnding);
    if (pnUnits)
        *pnUnits = nText / 2;
    return text;
}

CLocalBlock DecodeFileText(CFile& file, EncodingId& encoding, LineEndingId& lineEnding, CProgress* pProgress) {
    size_t n = 0;
    CLocalBlock input = ReadFileBytes(file, n, pProgress);
    CLocalLock inputLock(input.Get());
    if (!inputLock.Get())
        throw CMemoryException();
    return DecodeFileBytes(inputLock.Get(), n, encoding, lineEnding, pProgress);
}

unsigned char* CReusableBuffer::Reserve(size_t nBytes) {
    if (nBytes > m_nCapacity) {
        // Grows by half again at least, so a run of slowly growing files reallocates rarely.
        size_t nNew = std::max(nBytes, m_nCapacity + m_nCapacity / 2);
        m_pData.reset(new (std::nothrow) unsigned char[nNew]);
        m_nCapacity = m_pData ? nNew : 0;
        if (!m_pData)
            throw CMemoryException();
    }
    return m_pData.get();
}

std::wstring_view DecodeFileTextReusing(CFile& file, CReusableBuffer& bytes, CReusableBuffer& text,
                                        EncodingId& encoding, LineEndingId& lineEnding, CConverter* pConverter) {
    ULONGLONG length = file.GetLength();
    if (length >= kMaxFileLength) {
        CFileException tooLarge(CFileException::invalidFile, ERROR_FILE_TOO_LARGE, file.GetFilePath());
        tooLarge.m_nMessageId = kFileTooLargeMessage;
        throw tooLarge;
    }
    if (length + length / 2 > g_pfnAvailableMemory())
        ThrowNeedsTooMuchMemory(file);
    size_t n = static_cast<size_t>(length);
    unsigned char* pIn = bytes.Reserve(n + 2);
    if (file.Read(pIn, n) != n)
        throw CArchiveException(CArchiveException::endOfFile, file.GetFilePath());
    pIn[n] = pIn[n + 1] = 0;

    // The converter reports the full length of its result whether or not it fitted, so a text
    // that outgrows the buffer is converted once more into a buffer of its exact size. Byte
    // encodings mostly give two bytes a byte (four for a lone LF), so twice the input and a
    // quarter more is room for nearly every file the first time.
    const std::string options = DecodeOptions(encoding);
    auto convert = [&](unsigned char* pTo, size_t nCapacity, size_t& nProduced) {
        if (pConverter) {
            pConverter->SetOptions(options.c_str());
            return pConverter->Convert(pTo, nCapacity, &nProduced, pIn, n);
        }
        SetConversionOptions(options.c_str());
        return g_pfnConvert(pTo, nCapacity, &nProduced, pIn, n);
    };
    size_t nRoom = std::max(text.Capacity() > 4 ? text.Capacity() - 4 : 0, n * 2 + n / 4 + 16);
    unsigned char* pOut = text.Reserve(nRoom + 4);
    size_t m = 0;
    if (!convert(pOut, nRoom, m))
        throw CConversionException();
    if (m > nRoom) {
        size_t measured = m;
        nRoom = measured;
        pOut = text.Reserve(nRoom + 4);
        if (!convert(pOut, nRoom, m) || m != measured)
            throw CConversionException();
    }
    // As in the block DecodeFileText returns: a last half unit (ISO-2022-JP "ESC N" at the end)
    // is completed with a zero byte, and a whole zero unit follows the text.
    std::fill(pOut + m, pOut + m + (m & 1) + 2, static_cast<unsigned char>(0));
    ApplyDetectionCode(pConverter ? pConverter->DetectionCode() : GetDetectionCode(), encoding, lineEnding);
    return std::wstring_view(reinterpret_cast<const wchar_t*>(pOut), (m + 1) / 2);
}

void EncodeTextToFile(const wchar_t* pText, size_t nLength, EncodingId encoding, LineEndingId lineEnding, CFile& file,
                      CProgress* pProgress) {
    static const wchar_t kEmpty[1] = {0};
    if (!pText)
        pText = kEmpty, nLength = 0;
    // A text edited by hand or pasted can hold half of a surrogate pair. nkf reads a high
    // surrogate together with the unit after it and drops both when they do not pair, so the
    // character after the lone half would be lost with it. No encoding can hold the lone half: it
    // alone is left out, from a copy made only when needed.
    std::wstring cleaned;
    if (FindLoneSurrogate(pText, nLength) < nLength) {
        cleaned = WithoutLoneSurrogates(pText, nLength);
        pText = cleaned.c_str();
        nLength = cleaned.size();
    }
    const void* in = pText;
    size_t m = 0;
    // The block lives only until it is written: what the bound left over is never touched, so it
    // is not given back first.
    CLocalBlock bytes = ConvertIntoBlock(EncodeOptions(encoding, lineEnding), in, nLength * 2,
                                         EncodedBound(encoding, nLength), m, pProgress, IDS_PROGRESS_ENCODING);
    CLocalLock lock(bytes.Get());
    if (!lock.Get())
        throw CMemoryException();
    // Written in slices, so that a large file's writing can be told in the status bar; the file is
    // a new one beside the original (SafeSave), so a write that fails half-way loses nothing.
    constexpr size_t kSlice = size_t(8) << 20;
    const auto* p = lock.As<const unsigned char>();
    for (size_t nDone = 0; nDone < m;) {
        const size_t nPart = std::min(kSlice, m - nDone);
        file.Write(p + nDone, nPart);
        nDone += nPart;
        if (pProgress)
            pProgress->Step(IDS_PROGRESS_WRITING, nDone, m);
    }
}
