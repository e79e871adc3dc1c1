#pragma once
// Plain matching of a literal UTF-16 pattern over a buffer, without a window: shared by the find
// and replace engine and by find in files, so both fold case and test whole words alike.
#include <cstddef>
#include <string_view>

struct MatchOptions {
    bool fMatchCase = false;     // compare code units exactly; otherwise fold both sides
    bool fWholeWord = false;     // accept a match only between word boundaries
    std::wstring_view wordChars; // the word characters; empty: every match passes the whole-word test
};

// The start of the first match that starts at or after `nFrom` and lies wholly within `text`, or
// std::wstring_view::npos. The ends of `text` count as word boundaries.
size_t FindForward(std::wstring_view text, size_t nFrom, std::wstring_view pattern, const MatchOptions& options);
