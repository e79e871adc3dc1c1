#pragma once
// The options of the last search. The document keeps them for the life of the process (New and
// Open reuse the one document object, so the last search survives from one file to the next);
// they are never written to the registry.
#include <string>

struct SearchOptions {
    std::wstring strFind;      // the text searched for
    std::wstring strReplace;   // the replacement text
    bool fWholeWord = false;   // accept a match only between word boundaries
    bool fMatchCase = false;   // compare code units exactly; otherwise fold case
    bool fSearchDown = true;   // towards the end of the text; false: towards its start
    std::wstring strWordChars; // the word characters of the whole-word test; empty: every match passes
};
