// A native fuzz harness for the DDE execute request parser (framework/DdeRequest.cpp), built with
// AddressSanitizer and UndefinedBehaviorSanitizer. Each block is allocated at exactly its size, so
// a read past it is a sanitizer report. Three kinds of input, in turn:
// - requests made by a generator from random names, quoting, blanks and letter case, in UTF-16 or
//   in bytes: the parser must give back exactly the generator's names;
// - the same requests spoiled (cut before the zero, an unknown command, a stray character, a
//   missing bracket or quote, an empty name, a control character): it must refuse them;
// - random blocks and random mutations of good ones: it must not fault, and what it accepts must
//   hold up (a zero within the block, non-empty names found in the text).
#include "framework/DdeRequest.h"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Names = std::vector<std::wstring>;

std::mt19937_64 g_rng;
const Bytes* g_pCurrent = nullptr;

size_t Random(size_t n) {
    return n ? static_cast<size_t>(g_rng() % n) : 0;
}

void Dump(const char* what) {
    std::fprintf(stderr, "dde fuzz: %s\n", what);
    if (g_pCurrent) {
        std::fprintf(stderr, "block (%zu bytes):", g_pCurrent->size());
        for (size_t i = 0; i < g_pCurrent->size() && i < 256; ++i)
            std::fprintf(stderr, " %02x", (*g_pCurrent)[i]);
        std::fprintf(stderr, "\n");
    }
}

[[noreturn]] void Fail(const char* what) {
    Dump(what);
    std::_Exit(1);
}

// Stands in for the system code page: bytes below 0x80 are themselves, 0x80-0xFE Latin-1, 0xFF is
// invalid (the conversion fails, as MultiByteToWideChar does on an invalid sequence).
bool TestCodePage(const unsigned char* p, size_t n, std::wstring& text) {
    text.clear();
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == 0xFF)
            return false;
        text += static_cast<wchar_t>(p[i]);
    }
    return true;
}

// Parses the block from a heap allocation of exactly its size.
bool Parse(const Bytes& block, Names& names) {
    g_pCurrent = &block;
    std::unique_ptr<unsigned char[]> exact(new unsigned char[block.size()]);
    if (!block.empty())
        std::memcpy(exact.get(), block.data(), block.size());
    return ParseDdeOpenRequest(exact.get(), block.size(), TestCodePage, names);
}

// A file name: path characters, sometimes ")", "]", "(", blanks or non-ASCII; never a quote or a
// control character. Unquoted names also never hold ")]".
std::wstring RandomName(bool bQuoted, bool bBytes) {
    static const wchar_t kAscii[] = L"abcXYZ019 .\\:_-()[]~!";
    static const wchar_t kWide[] = L"あ漢字ｱ\u00e9\u4e00";
    std::wstring name;
    const size_t n = 1 + Random(12);
    while (name.size() < n) {
        wchar_t ch;
        if (!bBytes && Random(4) == 0)
            ch = kWide[Random(std::size(kWide) - 1)];
        else if (bBytes && Random(6) == 0)
            ch = static_cast<wchar_t>(0x80 + Random(0x7F)); // 0x80-0xFE
        else
            ch = kAscii[Random(std::size(kAscii) - 1)];
        name += ch;
        if (!bQuoted && name.size() >= 2 && name.compare(name.size() - 2, 2, L")]") == 0)
            name.pop_back();
    }
    // An unquoted name may not begin with a quote (it would be read as quoted); none holds one.
    return name;
}

std::wstring Blanks() {
    static const wchar_t kBlanks[] = L" \t\r\n";
    std::wstring s;
    for (size_t n = Random(3); n > 0; --n)
        s += kBlanks[Random(4)];
    return s;
}

std::wstring OpenWord() {
    std::wstring word = L"open";
    for (wchar_t& ch : word)
        if (Random(4) == 0)
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
    return word;
}

struct Request {
    std::wstring text;
    Names names;
};

Request RandomRequest(bool bBytes) {
    Request r;
    r.text = Blanks();
    for (size_t n = 1 + Random(3); n > 0; --n) {
        const bool bQuoted = Random(3) != 0;
        std::wstring name = RandomName(bQuoted, bBytes);
        r.text += L"[" + OpenWord() + L"(" + (bQuoted ? L"\"" + name + L"\"" : name) + L")]" + Blanks();
        r.names.push_back(name);
    }
    return r;
}

// The request as a block: UTF-16 little-endian or bytes, with its zero and sometimes slack after.
Bytes Encode(const std::wstring& text, bool bBytes, bool bTerminate = true) {
    Bytes b;
    for (wchar_t ch : text) {
        b.push_back(static_cast<unsigned char>(ch & 0xFF));
        if (!bBytes)
            b.push_back(static_cast<unsigned char>((ch >> 8) & 0xFF));
    }
    if (bTerminate) {
        b.push_back(0);
        if (!bBytes)
            b.push_back(0);
        // GlobalSize may be more than was asked for: what follows the zero is not read as text.
        for (size_t n = Random(4) == 0 ? Random(9) : 0; n > 0; --n)
            b.push_back(static_cast<unsigned char>(Random(256)));
    }
    return b;
}

// Spoils a good request so that the parser must refuse it.
std::wstring Spoil(const Request& r) {
    std::wstring t = r.text;
    const size_t open = t.find(L'['); // the first command
    switch (Random(7)) {
    case 0: return t + L"[print(\"x\")]";
    case 1: return t.insert(Random(2) ? 0 : t.size(), L"x");
    case 2: return t + L"[open(\"x.txt\")";
    case 3: return t + L"[open(\"x.txt)]";
    case 4: return t + L"[open(\"\")]";
    case 5: return t + L"[open(\"a" + std::wstring(1, L'\x01') + L"b\")]";
    default: return t.replace(open, 1, L"(");
    }
}

void CheckAccepted(const Bytes& block, const Names& names) {
    if (names.empty())
        Fail("accepted with no names");
    bool bZero = false;
    for (unsigned char c : block)
        bZero = bZero || c == 0;
    if (!bZero)
        Fail("accepted a block without a zero");
    for (const std::wstring& name : names)
        for (wchar_t ch : name)
            if (ch < 0x20)
                Fail("a name with a control character");
}

void Mutate(Bytes& b) {
    for (size_t n = 1 + Random(4); n > 0; --n) {
        switch (Random(5)) {
        case 0:
            if (!b.empty())
                b[Random(b.size())] ^= static_cast<unsigned char>(1u << Random(8));
            break;
        case 1:
            if (!b.empty())
                b[Random(b.size())] = static_cast<unsigned char>(Random(256));
            break;
        case 2:
            if (!b.empty())
                b.erase(b.begin() + static_cast<std::ptrdiff_t>(Random(b.size())));
            break;
        case 3:
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(Random(b.size() + 1)),
                     static_cast<unsigned char>(Random(256)));
            break;
        default: b.resize(Random(b.size() + 1)); break;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    unsigned long long seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    g_rng.seed(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    unsigned long long good = 0, spoiled = 0, random = 0, accepted = 0;
    Names names;
    while (std::chrono::steady_clock::now() < end) {
        for (int round = 0; round < 256; ++round) {
            const bool bBytes = Random(2) == 0;
            const Request r = RandomRequest(bBytes);

            Bytes block = Encode(r.text, bBytes);
            if (!Parse(block, names) || names != r.names)
                Fail("a well-formed request was not read back as made");
            ++good;

            if (!block.empty() && Parse(Encode(r.text, bBytes, false), names))
                Fail("accepted a request without its terminating zero");
            if (Parse(Encode(Spoil(r), bBytes), names) || !names.empty())
                Fail("accepted a spoiled request");
            spoiled += 2;

            Bytes mutated = block;
            Mutate(mutated);
            if (Parse(mutated, names))
                CheckAccepted(mutated, names), ++accepted;
            Bytes noise(Random(4) == 0 ? Random(4096) : Random(24));
            for (unsigned char& c : noise)
                c = static_cast<unsigned char>(Random(3) == 0 ? 0 : Random(256));
            if (Parse(noise, names))
                CheckAccepted(noise, names), ++accepted;
            random += 2;
        }
    }
    std::printf("dde fuzz: %llu well-formed, %llu spoiled, %llu random blocks (%llu accepted); seed %llu\n", good,
                spoiled, random, accepted, seed);
    return 0;
}
