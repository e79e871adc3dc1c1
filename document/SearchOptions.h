#pragma once
// The options of the last search. The document keeps them for the life of the process (New and
// Open reuse the one document object, so the last search survives from one file to the next);
// they are never written to the registry.
#include "framework/Utf16.h"
#include <windows.h>
#include <string>

// The word characters of "whole word": every letter and digit the system knows
// (IsCharAlphaNumericW: Latin with its accented letters, Greek, Cyrillic, full-width Latin letters
// and digits, ...) and the combining accents that follow a letter, but no kanji, kana or hangul.
// Japanese is written without spaces between words, so if its characters were word characters a
// whole-word search for a Japanese word would almost never find it inside a sentence; as
// boundaries they let "単語単位" still reject "cat" inside "concatenate" while a Japanese word
// is found wherever it stands. Characters outside the BMP (surrogates) are never word characters.
// Made once; a plain string, looked up by character, like any set the options may hold.
inline const std::wstring& DefaultWordChars() {
    static const std::wstring s_chars = [] {
        auto isEastAsian = [](unsigned c) {
            return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xA960 && c <= 0xA97F) ||
                   (c >= 0xAC00 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF66 && c <= 0xFFDC);
        };
        std::wstring chars;
        for (unsigned c = 1; c < 0x10000; ++c) {
            if (IsSurrogate(c))
                continue;
            bool bCombining = c >= 0x0300 && c <= 0x036F;
            if (bCombining || (!isEastAsian(c) && ::IsCharAlphaNumericW(static_cast<wchar_t>(c))))
                chars.push_back(static_cast<wchar_t>(c));
        }
        return chars;
    }();
    return s_chars;
}

struct SearchOptions {
    std::wstring strFind;                           // the text searched for
    std::wstring strReplace;                        // the replacement text
    bool fWholeWord = false;                        // accept a match only between word boundaries
    bool fMatchCase = false;                        // compare code units exactly; otherwise fold case
    bool fSearchDown = true;                        // towards the end of the text; false: towards its start
    bool fRegex = false;                            // strFind is a regular expression (search/RegexMatch.h)

    bool fWrapAround = false;                       // at the end (start) go on from the other end
    std::wstring strWordChars = DefaultWordChars(); // the word characters of the whole-word test; empty:
                                                    // every match passes
};
