#pragma once
// The converter adapter: three operations over the embedded nkf. Conversions share the
// converter's global state, so they run one at a time on the GUI thread.
#include <cstddef>

// Stores a copy of the option text for every later conversion; a text that does not begin with
// "-" gets one put in front.
void SetConversionOptions(const char* pszOptions);

// Converts the whole input with the stored options, starting a fresh recognition. Writes the
// first nCapacity bytes of the result to pOut (which may be null with capacity 0), sets
// *pnProduced to the full length of the result, and writes one zero byte after the result when
// it is shorter than the capacity. Returns false, doing nothing, when pIn is null, and false when
// the converter gave up.
bool ConvertBuffer(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength);

// What the last conversion found: a family base (4 Shift_JIS or nothing multi-byte, 8 EUC-JP,
// 12 ISO-2022-JP, 32 UTF-8, 64/96 UTF-16 LE/BE, 128/160 UTF-32 LE/BE), plus 16 for a byte-order
// mark (UTF families only), plus the first line break in bits 0-1 (1 CR, 2 LF, 3 CR LF or none).
int GetDetectionCode();
