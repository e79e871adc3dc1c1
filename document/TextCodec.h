#pragma once
// Reading a file's bytes into editor text (UTF-16, CR LF breaks) with its encoding and line ending
// recognised, and writing editor text back in a chosen encoding and line ending.
#include <windows.h>
#include <memory>
#include <string>
#include <string_view>
#include "document/Encoding.h"
#include "framework/Handles.h"

class CConverter;
class CFile;
class CProgress;

// Files this large or larger are refused: the editor's lengths are 32-bit.
constexpr ULONGLONG kMaxFileLength = 0x7FFFFFFFull;

// The memory that opening the file whose bytes these are will take beyond the bytes themselves:
// its text as UTF-16, and what the text control takes to lay out its longest line when it is
// shown (some 10 bytes a character: a file of one 200 MB line needs about 2.4 GB). A file of
// long lines is not refused for its length otherwise: the control lays out only the lines on
// screen.
ULONGLONG EstimateTextMemory(const void* pBytes, size_t nLength);

// The memory estimate above, and the longest line in characters (both counted as
// EstimateTextMemory counts: bytes, or UTF-16 and UTF-32 units after a mark).
struct TextEstimate {
    ULONGLONG memory;
    ULONGLONG longestLineUnits;
};
TextEstimate EstimateText(const void* pBytes, size_t nLength);

// The memory still available for a file's text (GlobalMemoryStatusEx's available physical
// memory). Tests put a function of their own in its place to make the refusal deterministic;
// SetAvailableMemoryFunction returns the one it replaces, and null puts the system's back.
using AvailableMemoryFunction = ULONGLONG (*)();
AvailableMemoryFunction SetAvailableMemoryFunction(AvailableMemoryFunction pfn);

// The converter both directions go through (ConvertBuffer). Tests put one of their own in its
// place to make the converter give up; SetConvertFunction returns the one it replaces, and null
// puts ConvertBuffer back.
using ConvertFunction = bool (*)(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength);
ConvertFunction SetConvertFunction(ConvertFunction pfn);

// While it lives, the conversions of the GUI thread's converter copy are told to pProgress as
// the phase nPhaseId (a string id); with a null pProgress it does nothing.
class CConversionProgressScope {
public:
    CConversionProgressScope(CProgress* pProgress, UINT nPhaseId);
    ~CConversionProgressScope();
    CConversionProgressScope(const CConversionProgressScope&) = delete;
    CConversionProgressScope& operator=(const CConversionProgressScope&) = delete;

private:
    static void OnProgress(void* pContext, size_t nDone, size_t nTotal);
    CProgress* m_pProgress;
    UINT m_nPhaseId;
};

// Upper bounds, in bytes, of what decoding the n bytes at p gives (UTF-16, CR LF breaks) and of
// what encoding nUnits units of editor text in the encoding gives: the block that the one
// conversion pass writes into is this large (a result that outgrows it after all is converted
// again at its exact size). EncodedBound throws CMemoryException when the figure overflows.
size_t DecodedBound(const unsigned char* p, size_t n);
size_t EncodedBound(EncodingId encoding, size_t nUnits);

// The converter options for reading with this requested encoding, and for writing.
std::string DecodeOptions(EncodingId requested);
std::string EncodeOptions(EncodingId encoding, LineEndingId lineEnding);

// Whether encoding the nUnits UTF-16 units (2 bytes each) at pText with the pair, on the converter
// copy given, gives exactly the nFile bytes at pFile: compared as the converter goes, with no
// buffer for its result. False too when the converter gave up.
bool EncodesBackTo(CConverter& converter, const void* pText, size_t nUnits, const unsigned char* pFile, size_t nFile,
                   EncodingId encoding, LineEndingId lineEnding);

// Files from this size on are opened in two halves at once (DecodeCheckedInHalves).
constexpr size_t kHalvesMinimum = size_t(4) << 20;

// Opening a large file on two processors: the bytes are cut at a line break near their middle,
// and each half is decoded and encoded back against its own bytes on a converter copy of its own,
// the second half on a thread. Only files whose halves cannot influence each other are cut: a
// requested encoding of detection, Shift_JIS, EUC-JP or UTF-8, and bytes without NUL, ESC, SO or
// SI (no UTF-16 or UTF-32, no shift states). The result is kept only when both halves were read
// in the same encoding without nkf changing its mind, the second half starts with no byte-order
// mark, their line breaks agree, and both came back byte for byte: the text is then the one
// DecodeFileBytes gives for the whole file, and the open check would find no difference. Returns
// the block, encoding, line ending and units as DecodeFileBytes does; otherwise (a file under
// nMinimum bytes or of another kind, no spare converter copy, halves that disagree or do not come
// back) an empty block, with the parameters unchanged, and the caller decodes and checks the file
// whole. With pProgress, the first half's decoding and check are told there; bRoomToEdit as for
// DecodeFileBytes.
CLocalBlock DecodeCheckedInHalves(const void* pBytes, size_t nLength, EncodingId& encoding, LineEndingId& lineEnding,
                                  CProgress* pProgress = nullptr, size_t* pnUnits = nullptr,
                                  size_t nMinimum = kHalvesMinimum, bool bRoomToEdit = false);

// Reads the whole file and converts it in one pass into a block of an upper bound of the text's
// size, then lets the block go down to the text's. Returns the unlocked movable local block
// holding the text and a terminating zero unit. With pProgress, the reading and the conversion
// are told there as they go (IDS_PROGRESS_READING, IDS_PROGRESS_DECODING).
// On entry `encoding` is the requested encoding (1-12 force it, anything else asks for detection);
// on return both parameters describe what was found. Throws CMemoryException, CConversionException
// (the converter gave up), CArchiveException (short read) or CFileException (too large, read
// error), leaving both parameters unchanged.
CLocalBlock DecodeFileText(CFile& file, EncodingId& encoding, LineEndingId& lineEnding, CProgress* pProgress = nullptr);

// The two halves of DecodeFileText, for callers that keep the file's bytes (the document compares
// them with what a save would write). ReadFileBytes returns the unlocked movable block of the
// file's length + 2 bytes holding the whole file and two zero bytes, and its length; it throws as
// DecodeFileText does, and also CFileException with the message IDS_FILE_NEEDS_TOO_MUCH_MEMORY
// when the text would not fit in the memory available (checked before reading from the length,
// and after reading from the lengths of the lines, before anything is converted). With pProgress,
// the reading is told there. DecodeFileBytes converts nLength
// bytes as DecodeFileText does, and gives the text's length in units (up to the terminating zero
// unit it adds, NULs inside the text included) in *pnUnits. The block may be larger than the text
// and its terminator when the allocator kept it whole.
CLocalBlock ReadFileBytes(CFile& file, size_t& nLength, CProgress* pProgress = nullptr);
// With bRoomToEdit, the block keeps the room the text control grows a text of its length to
// (TextRoom) where the bound left that much, so that the first edit does not reallocate it.
CLocalBlock DecodeFileBytes(const void* pBytes, size_t nLength, EncodingId& encoding, LineEndingId& lineEnding,
                            CProgress* pProgress = nullptr, size_t* pnUnits = nullptr, bool bRoomToEdit = false);

// A buffer that keeps its storage from one use to the next and only grows, for reading many files
// in a row without an allocation per file.
class CReusableBuffer {
public:
    // Room for at least nBytes; the contents are not kept. Throws CMemoryException.
    unsigned char* Reserve(size_t nBytes);
    unsigned char* Get() const { return m_pData.get(); }
    size_t Capacity() const { return m_nCapacity; }

private:
    std::unique_ptr<unsigned char[]> m_pData;
    size_t m_nCapacity = 0;
};

// The text DecodeFileText gives for the file, made with one converter pass into a buffer that is
// reused from file to file (a second pass only when the text outgrows the buffer), for reading
// many files in a row. Returns the text up to its terminating zero unit (the view includes
// anything after a NUL inside it, as the block would). Throws as DecodeFileText does, except that
// a file is not refused for the memory an edit control would need to lay it out: the text is
// searched, not shown. A spare converter copy decodes it on the calling thread; without one, the
// GUI thread's copy does.
std::wstring_view DecodeFileTextReusing(CFile& file, CReusableBuffer& bytes, CReusableBuffer& text,
                                        EncodingId& encoding, LineEndingId& lineEnding,
                                        CConverter* pConverter = nullptr);

// Converts nLength UTF-16 code units in one pass and writes the result to the file (in slices;
// with pProgress, told there as IDS_PROGRESS_ENCODING and IDS_PROGRESS_WRITING). Throws
// CMemoryException or CConversionException before writing anything, or CFileException when a
// write fails.
void EncodeTextToFile(const wchar_t* pText, size_t nLength, EncodingId encoding, LineEndingId lineEnding, CFile& file,
                      CProgress* pProgress = nullptr);

// The EncodingId a detection code stands for; Unspecified when the code is not one of the table's.
EncodingId EncodingFromDetectionCode(int code);
