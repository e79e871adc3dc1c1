#pragma once
// The two versions of the file that SafeSaveLoop writes in turn, so that the test that kills it
// can tell a whole old or new file from anything else.
#include <cstdio>
#include <vector>

// About nBytes of numbered text lines starting with `mark`; the two versions differ in mark and length.
inline std::vector<unsigned char> SaveLoopContent(char mark, size_t nBytes) {
    std::vector<unsigned char> bytes;
    bytes.reserve(nBytes + 64);
    char line[64];
    for (unsigned n = 0; bytes.size() < nBytes; ++n) {
        int len = std::snprintf(line, sizeof line, "%c %08u the quick brown fox jumps over the lazy dog\r\n", mark, n);
        bytes.insert(bytes.end(), line, line + len);
    }
    return bytes;
}

constexpr size_t kSaveLoopBytesA = 3u << 20;
constexpr size_t kSaveLoopBytesB = (5u << 20) / 2;
