#pragma once
// Whether a file comes back byte for byte: the check after an open (the text the control holds,
// encoded again with the pair found, against the file's bytes) and the check before a save (the
// characters the target encoding cannot hold). Plain functions over buffers, no windows.
#include <cstddef>
#include <string>
#include "document/Encoding.h"

// Why the file would not come back as it was, as far as the bytes at the first difference tell.
enum class FidelityReason {
    None,            // identical
    Unknown,         // the bytes differ, for a reason the check cannot name
    Nul,             // a NUL in the text: the edit control holds only what comes before it
    MixedLineBreaks, // more than one kind of line break
    InvalidBytes,    // bytes that are not a valid sequence of the encoding
    Unrepresentable, // a well-formed character that does not come back as the same bytes
    EscapeSequence,  // an ISO-2022-JP escape sequence that is written back in its standard form
    Dropped,         // a character the converter cannot show was left out of the text
};

struct OpenCheckResult {
    FidelityReason reason = FidelityReason::None;
    int nLine = 0;   // 1-based, as the status bar counts
    int nColumn = 0; // 1-based, in UTF-16 units
    bool Differs() const { return reason != FidelityReason::None; }
};

// pFile/nFile: the file's bytes; pText/nText: the text the edit control holds (what a save would
// encode); nDecoded: the length of the decoded text, which is longer than nText when the text had
// a NUL. encoding/lineEnding: the pair the open found. Returns None when encoding the text gives the
// file's bytes back exactly. Throws std::bad_alloc when the comparison buffer cannot be had.
OpenCheckResult CheckOpenedText(const unsigned char* pFile, size_t nFile, const wchar_t* pText, size_t nText,
                                size_t nDecoded, EncodingId encoding, LineEndingId lineEnding);

struct UnencodableResult {
    size_t nCount = 0;    // characters (a surrogate pair counts once) that cannot be written
    char32_t chFirst = 0; // the first of them; a lone surrogate is its own code unit
    bool bFirstIsLoneSurrogate = false;
    int nLine = 0, nColumn = 0; // of the first, 1-based
};

// Finds the characters that encoding cannot hold: a character counts when converting it with the
// save's options and reading the result back does not give it back. Each distinct character is
// converted once per call. A lone surrogate never counts as writable.
UnencodableResult FindUnencodable(const wchar_t* pText, size_t nText, EncodingId encoding);

// The 1-based line and column (UTF-16 units) of offset nOffset of a text with CR LF breaks.
void LineColumnAt(const wchar_t* pText, size_t nOffset, int& nLine, int& nColumn);
