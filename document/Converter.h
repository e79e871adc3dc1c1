#pragma once
// The converter adapter over the embedded nkf. The converter exists in kConverterCopies copies,
// each with state of its own (it is compiled once per copy): a copy converts one input at a time,
// and different copies may convert on different threads at once. Copy 0 serves the GUI thread
// through the three functions below; the others are claimed by threads that decode in the
// background (CConverter::ClaimSpare).
#include <cstddef>
#include <memory>
#include <string>

constexpr int kConverterCopies = 3;

class CConverter {
public:
    // A spare copy (1 and up) that no other CConverter holds, or null when all are taken; it is
    // given back when the object is destroyed. One thread at a time may use it.
    static std::unique_ptr<CConverter> ClaimSpare();
    // Copy 0, the GUI thread's, which the three functions below use.
    static CConverter& Gui();
    ~CConverter();
    CConverter(const CConverter&) = delete;
    CConverter& operator=(const CConverter&) = delete;

    // SetConversionOptions, ConvertBuffer and GetDetectionCode on this copy.
    void SetOptions(const char* pszOptions);
    bool Convert(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength);
    // Converts the whole input with the options as Convert does (without its detection: for the
    // write options) but writes nothing: the result is compared with the nExpected bytes at
    // pExpected. *pnFirstDifference receives the offset of the first byte that differs (a result
    // that stops short differs where it stops), or SIZE_MAX when the result is those bytes;
    // *pnProduced its full length. False when the converter gave up.
    bool Compare(const void* pExpected, size_t nExpected, size_t* pnProduced, size_t* pnFirstDifference,
                 const void* pIn, size_t nInLength);
    int DetectionCode() const { return m_detectionCode; }
    // Whether the last Convert had to decode the input a second time because nkf changed its mind
    // about the encoding part-way ("binary"): the text then came from the encoding the whole input
    // fits best, which a part of the input alone may not have led to.
    bool ChangedItsMind() const { return m_bChangedItsMind; }
    // Told how much of the input the conversions on this copy have read, about every MiB, on the
    // converting thread, until set to null. A conversion that has to read its input again (a
    // file re-decoded in the encoding it fits best) reports from the start once more.
    using ProgressFunction = void (*)(void* pContext, size_t nDone, size_t nTotal);
    void SetProgress(ProgressFunction pfn, void* pContext);

private:
    explicit CConverter(int nCopy);

    int m_nCopy;
    std::string m_options;
    int m_detectionCode = 4 | 3;
    bool m_bChangedItsMind = false;
};

// Stores a copy of the option text for every later conversion; a text that does not begin with
// "-" gets one put in front.
void SetConversionOptions(const char* pszOptions);

// Converts the whole input with the stored options, starting a fresh recognition. Writes the
// first nCapacity bytes of the result to pOut (which may be null with capacity 0), sets
// *pnProduced to the full length of the result, and writes one zero byte after the result when
// it is shorter than the capacity. Returns false, doing nothing, when pIn is null, and false when
// the converter gave up.
bool ConvertBuffer(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength);

// Compare on copy 0 with the stored options.
bool CompareConversion(const void* pExpected, size_t nExpected, size_t* pnProduced, size_t* pnFirstDifference,
                       const void* pIn, size_t nInLength);

// What the last conversion found: a family base (4 Shift_JIS or nothing multi-byte, 8 EUC-JP,
// 12 ISO-2022-JP, 32 UTF-8, 64/96 UTF-16 LE/BE, 128/160 UTF-32 LE/BE), plus 16 for a byte-order
// mark (UTF families only), plus the first line break in bits 0-1 (1 CR, 2 LF, 3 CR LF or none).
int GetDetectionCode();
