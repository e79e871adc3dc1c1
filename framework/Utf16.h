#pragma once
// UTF-16 surrogate pairs: which code units are halves of a pair, and how a code point beyond
// U+FFFF becomes a pair and back. The one place every layer takes these tests from.

// Code units (or values read from a file, which may lie outside UTF-16 altogether).
constexpr bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// The code point of a pair (high, then low half).
constexpr char32_t CodePointOfPair(char32_t high, char32_t low) {
    return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
// The halves of a code point beyond U+FFFF.
constexpr wchar_t HighSurrogateOf(char32_t cp) {
    return static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
}
constexpr wchar_t LowSurrogateOf(char32_t cp) {
    return static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
}
