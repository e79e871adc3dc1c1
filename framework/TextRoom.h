#pragma once
// The room a text of nUnits UTF-16 units is kept in, terminator included: an eighth more and a
// little, so that typing into a large text reallocates rarely without holding a second copy's
// worth of spare room. The text control grows its buffer to it, and opening a file leaves the
// decoded text that much room, so that the first edit after opening a large file does not copy
// the whole text into a larger block.
#include <cstddef>

constexpr size_t kTextRoomMinimum = 256;

constexpr size_t TextRoom(size_t nUnits) {
    return nUnits + 1 + nUnits / 8 + kTextRoomMinimum;
}
