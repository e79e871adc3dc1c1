// A native fuzz harness for the converter: the program's own decoding (DecodeFileBytes with every
// read option the program uses) and encoding options (EncodeOptions for every encoding and line
// ending) over the embedded nkf, built with AddressSanitizer and UndefinedBehaviorSanitizer.
// Inputs come from a small mutation loop seeded from the test fixtures, or are replayed from files.
// A sanitizer report ends the process; the input that caused it is written to the crash folder.
#include <dlfcn.h>
#include <sanitizer/common_interface_defs.h>
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/Handles.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

// --- What the death callback needs: the input under test and the conversion in progress.
const Bytes* g_pCurrentInput = nullptr;
std::string g_currentStep;
fs::path g_crashDir = ".";

std::uint64_t Fnv1a(const Bytes& b) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : b)
        h = (h ^ c) * 1099511628211ull;
    return h;
}

void SaveCurrentInput() {
    if (!g_pCurrentInput)
        return;
    char name[40];
    std::snprintf(name, sizeof name, "crash-%016llx.bin", static_cast<unsigned long long>(Fnv1a(*g_pCurrentInput)));
    fs::path path = g_crashDir / name;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(g_pCurrentInput->data(), 1, g_pCurrentInput->size(), f);
        std::fclose(f);
    }
    std::fprintf(stderr, "fuzz: failing input (%zu bytes) written to %s\nfuzz: during %s\n", g_pCurrentInput->size(),
                 path.c_str(), g_currentStep.c_str());
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    SaveCurrentInput();
    std::_Exit(1);
}

// --- The conversions.

// One requested encoding per distinct read option text, so each option is tried once per input.
std::vector<EncodingId> DistinctReadRequests() {
    std::vector<EncodingId> ids;
    std::set<std::string> seen;
    for (int i = 0; i <= kEncodingCount; ++i) {
        EncodingId id = static_cast<EncodingId>(i);
        if (seen.insert(DecodeOptions(id)).second)
            ids.push_back(id);
    }
    return ids;
}

struct Counters {
    unsigned long long inputs = 0;
    unsigned long long conversions = 0;
    unsigned long long refused = 0; // the converter gave up (an exit() inside nkf)
    unsigned long long halves = 0;  // inputs opened in two halves
};
Counters g_counters;

// The two passes of EncodeTextToFile without the file: measure, then convert at the exact size.
void ConvertTwice(const std::string& options, const void* pIn, size_t nIn, size_t nBound = ~size_t(0)) {
    g_currentStep = "conversion with options \"" + options + "\"";
    // An empty vector's data() may be null, which ConvertBuffer refuses; the program passes a
    // static empty text instead.
    static const unsigned char kEmpty[2] = {0, 0};
    if (!pIn)
        pIn = kEmpty;
    size_t measured = 0;
    SetConversionOptions(options.c_str());
    ++g_counters.conversions;
    if (!ConvertBuffer(nullptr, 0, &measured, pIn, nIn)) {
        ++g_counters.refused;
        return;
    }
    // The one pass of EncodeTextToFile writes into a block of the bound: a longer result would take
    // a second pass.
    if (measured > nBound)
        Fail("the result of " + std::to_string(measured) + " bytes outgrew its bound of " + std::to_string(nBound));
    Bytes out(measured);
    size_t produced = 0;
    SetConversionOptions(options.c_str());
    ++g_counters.conversions;
    if (!ConvertBuffer(out.data(), out.size(), &produced, pIn, nIn))
        Fail("the converter measured the text and then refused it");
    if (produced != measured)
        Fail("measuring pass gave " + std::to_string(measured) + " bytes, conversion " + std::to_string(produced));

    // The open check compares the result with the file's bytes as it converts: against the result
    // itself it finds no difference, against a copy with one byte changed or cut short it finds the
    // first difference where it is.
    size_t compared = 0, first = 0;
    SetConversionOptions(options.c_str());
    ++g_counters.conversions;
    if (!CompareConversion(out.data(), out.size(), &compared, &first, pIn, nIn) || compared != measured ||
        first != SIZE_MAX)
        Fail("comparing with its own result found a difference at " + std::to_string(first));
    if (out.empty())
        return;
    const size_t at = (measured * 7 + nIn) % out.size();
    out[at] ^= 0x20;
    SetConversionOptions(options.c_str());
    ++g_counters.conversions;
    if (!CompareConversion(out.data(), out.size(), &compared, &first, pIn, nIn) || first != at)
        Fail("a byte changed at " + std::to_string(at) + " was found at " + std::to_string(first));
    SetConversionOptions(options.c_str());
    ++g_counters.conversions;
    if (!CompareConversion(out.data(), at, &compared, &first, pIn, nIn) || first != at)
        Fail("bytes cut short at " + std::to_string(at) + " were found to differ at " + std::to_string(first));
}

// DecodeFileBytes as the document calls it; returns the UTF-16 text.
std::u16string Decode(const Bytes& input, EncodingId requested) {
    EncodingId encoding = requested;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    std::string options = DecodeOptions(requested);
    g_currentStep = "DecodeFileBytes with options \"" + options + "\"";
    ++g_counters.conversions;
    CLocalBlock block;
    size_t nUnits = 0;
    try {
        block = DecodeFileBytes(input.data(), input.size(), encoding, lineEnding, nullptr, &nUnits);
    } catch (const CConversionException&) {
        // Either the converter gave up, which is allowed, or the two passes disagreed, which is not.
        ConvertTwice(options, input.data(), input.size());
        return {};
    }
    if (!block)
        Fail("DecodeFileBytes returned no block");
    int e = static_cast<int>(encoding), l = static_cast<int>(lineEnding);
    if (e < 0 || e >= kEncodingCount || l < 0 || l >= kLineEndingCount)
        Fail("detection reported encoding " + std::to_string(e) + ", line ending " + std::to_string(l));
    size_t size = LocalSize(block.Get());
    if (size != nUnits * 2 + 2)
        Fail("the decoded block holds " + std::to_string(size) + " bytes for " + std::to_string(nUnits) + " units");
    // One pass into a block of the bound: a longer text would have taken a second pass.
    if (nUnits * 2 > DecodedBound(input.data(), input.size()))
        Fail("the decoded text of " + std::to_string(nUnits) + " units outgrew its bound");
    CLocalLock lock(block.Get());
    const unsigned char* p = lock.As<unsigned char>();
    if (size < 2 || p[size - 2] != 0 || p[size - 1] != 0)
        Fail("the decoded text does not end in a zero unit");
    if (size % 2 != 0)
        Fail("the decoded text ends in half a UTF-16 unit");
    std::u16string text;
    for (size_t i = 0; i + 1 < size - 2; i += 2)
        text.push_back(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    return text;
}

// Opening in two halves gives exactly what one pass and the whole-file check give, or declines.
void CompareHalves(const Bytes& input, EncodingId requested, const std::u16string& whole) {
    g_currentStep = "DecodeCheckedInHalves with options \"" + DecodeOptions(requested) + "\"";
    EncodingId encoding = requested, wholeEncoding = requested;
    LineEndingId lineEnding = LineEndingId::Unspecified, wholeLineEnding = LineEndingId::Unspecified;
    size_t nUnits = 0;
    CLocalBlock halves = DecodeCheckedInHalves(input.data(), input.size(), encoding, lineEnding, nullptr, &nUnits, 0);
    if (!halves)
        return;
    ++g_counters.halves;
    CLocalLock lock(halves.Get());
    const std::u16string text(reinterpret_cast<const char16_t*>(lock.Get()), nUnits);
    if (text != whole)
        Fail("the two halves decoded to another text than the whole file");
    CLocalBlock again = DecodeFileBytes(input.data(), input.size(), wholeEncoding, wholeLineEnding);
    if (encoding != wholeEncoding || lineEnding != wholeLineEnding)
        Fail("the two halves found another encoding or line ending than the whole file");
    if (!EncodesBackTo(CConverter::Gui(), whole.data(), whole.size(), input.data(), input.size(), wholeEncoding,
                       wholeLineEnding))
        Fail("the two halves came back whole, the whole file does not");
}

// UTF-16 little-endian code units as the edit control holds them.
Bytes Utf16Bytes(const std::u16string& text) {
    Bytes b;
    b.reserve(text.size() * 2);
    for (char16_t c : text) {
        b.push_back(static_cast<unsigned char>(c & 0xFF));
        b.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    return b;
}

void EncodeAllWays(const Bytes& utf16) {
    for (int e = 0; e < kEncodingCount; ++e)
        for (int l = 0; l < kLineEndingCount; ++l)
            ConvertTwice(EncodeOptions(static_cast<EncodingId>(e), static_cast<LineEndingId>(l)), utf16.data(),
                         utf16.size(), EncodedBound(static_cast<EncodingId>(e), utf16.size() / 2));
}

// Every read option; then every write option, both over the text one of the reads gave (a
// different one each round) and over the input's own bytes taken as editor text, which holds what
// no decoder produces (lone surrogates, U+FFFE, NULs).
void Exercise(const Bytes& input, unsigned long long round) {
    static const std::vector<EncodingId> kReads = DistinctReadRequests();
    g_pCurrentInput = &input;
    std::u16string chosen;
    for (size_t i = 0; i < kReads.size(); ++i) {
        std::u16string text = Decode(input, kReads[i]);
        CompareHalves(input, kReads[i], text);
        if (i == round % kReads.size())
            chosen = std::move(text);
    }
    EncodeAllWays(Utf16Bytes(chosen));
    Bytes raw(input.begin(), input.begin() + (input.size() & ~size_t(1)));
    EncodeAllWays(raw);
    ++g_counters.inputs;
    g_pCurrentInput = nullptr;
}

// --- Inputs.

// A file that cannot be read ends the run: a regression input that went missing must not pass.
Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fuzz: cannot read %s\n", path.c_str());
        std::exit(2);
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes and short sequences that steer nkf's decoders: escapes, shifts, single-shifts, marks,
// lead and trail bytes at the edges of the Shift_JIS and EUC ranges, MIME word openers.
const unsigned char kInterestingBytes[] = {0x00, 0x0A, 0x0D, 0x0E, 0x0F, 0x1B, 0x20, 0x21, 0x24, 0x28, 0x3F, 0x40,
                                           0x7E, 0x7F, 0x80, 0x81, 0x8E, 0x8F, 0x9F, 0xA0, 0xA1, 0xC0, 0xDF, 0xE0,
                                           0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
const char* const kInterestingRuns[] = {
    "\x1b$B",  "\x1b$@",   "\x1b(B",   "\x1b(J",       "\x1b(I",           "\x1b$(D",          "\x1b$(O",
    "\x1b$(P", "\x1b$(Q",  "\x1b$A",   "\x1b-A",       "\xef\xbb\xbf",     "\xff\xfe",         "\xfe\xff",
    "\r\n",    "\x8f\xa2", "\x8e\xb1", "\xed\xa0\x80", "\xf0\x9f\x98\x80", "=?ISO-2022-JP?B?", "=?UTF-8?Q?",
    "?=",      "\xfa\x40", "\xfc\x4b", "\x87\x40",     "\xd8\x00",         "\xdc\x00",         "+AGEAYgBj-"};

class CMutator {
public:
    CMutator(std::uint64_t seed, std::vector<Bytes> seeds) : m_rng(seed), m_seeds(std::move(seeds)) {}

    Bytes Next() {
        Bytes b;
        if (m_seeds.empty() || Below(16) == 0) {
            b.resize(Below(64));
            for (auto& c : b)
                c = Below(2) ? kInterestingBytes[Below(sizeof kInterestingBytes)]
                             : static_cast<unsigned char>(Below(256));
        } else {
            const Bytes& s = m_seeds[Below(m_seeds.size())];
            size_t len = std::min<size_t>(s.size(), 1 + Below(kMaxWindow));
            size_t start = s.size() > len ? Below(s.size() - len + 1) : 0;
            // Keep a seed's first bytes now and then: marks and escapes there decide the decoder.
            if (Below(4) == 0)
                start = 0;
            b.assign(s.begin() + start, s.begin() + start + len);
        }
        int n = 1 + static_cast<int>(Below(8));
        for (int i = 0; i < n; ++i)
            Mutate(b);
        if (b.size() > kMaxLength)
            b.resize(kMaxLength);
        return b;
    }

private:
    static constexpr size_t kMaxWindow = 512;
    static constexpr size_t kMaxLength = 4096;

    size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(m_rng) : 0; }

    void Mutate(Bytes& b) {
        size_t pos = Below(b.size() + 1);
        switch (Below(9)) {
        case 0: // flip a bit
            if (!b.empty())
                b[Below(b.size())] ^= static_cast<unsigned char>(1u << Below(8));
            break;
        case 1: // overwrite with an interesting byte
            if (!b.empty())
                b[Below(b.size())] = kInterestingBytes[Below(sizeof kInterestingBytes)];
            break;
        case 2: // overwrite with any byte
            if (!b.empty())
                b[Below(b.size())] = static_cast<unsigned char>(Below(256));
            break;
        case 3: // insert an interesting byte
            b.insert(b.begin() + pos, kInterestingBytes[Below(sizeof kInterestingBytes)]);
            break;
        case 4: { // insert an interesting run
            const char* run = kInterestingRuns[Below(std::size(kInterestingRuns))];
            b.insert(b.begin() + pos, run, run + std::strlen(run));
            break;
        }
        case 5: // delete a range
            if (pos < b.size())
                b.erase(b.begin() + pos, b.begin() + pos + 1 + Below(std::min<size_t>(16, b.size() - pos)));
            break;
        case 6: { // duplicate a range; now and then a long one, so inputs outgrow nkf's 2048-byte look-ahead
            if (pos < b.size()) {
                size_t len = 1 + Below(std::min<size_t>(Below(8) ? 32 : kMaxLength, b.size() - pos));
                Bytes copy(b.begin() + pos, b.begin() + pos + len);
                b.insert(b.begin() + Below(b.size() + 1), copy.begin(), copy.end());
            }
            break;
        }
        case 7: { // splice in a piece of another seed
            if (!m_seeds.empty()) {
                const Bytes& s = m_seeds[Below(m_seeds.size())];
                if (!s.empty()) {
                    size_t from = Below(s.size());
                    size_t len = 1 + Below(std::min<size_t>(64, s.size() - from));
                    b.insert(b.begin() + pos, s.begin() + from, s.begin() + from + len);
                }
            }
            break;
        }
        default: // cut the end, often inside a multi-byte character
            if (!b.empty())
                b.resize(Below(b.size()));
            break;
        }
    }

    std::mt19937_64 m_rng;
    std::vector<Bytes> m_seeds;
};

void LoadSeeds(const fs::path& root, std::vector<Bytes>& seeds) {
    if (fs::is_regular_file(root)) {
        seeds.push_back(ReadFile(root));
        return;
    }
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end()); // the same seed list, and so the same run, for a seed
    for (const auto& f : files)
        seeds.push_back(ReadFile(f));
}

// GCC links AddressSanitizer and UndefinedBehaviorSanitizer as two libraries, each with its own copy
// of the common runtime and its own death callback: the callback is set in both, or an undefined-
// behaviour report would end the run without saving the input.
void SetDeathCallbacks() {
    __sanitizer_set_death_callback(SaveCurrentInput);
    if (void* ubsan = dlopen("libubsan.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
        using SetCallback = void (*)(void (*)());
        if (auto set = reinterpret_cast<SetCallback>(dlsym(ubsan, "__sanitizer_set_death_callback")))
            set(SaveCurrentInput);
        dlclose(ubsan);
    }
}

// What each read option makes of a file: the encoding and line ending found and the text's UTF-16
// units, to write down what a regression test expects.
void Show(const Bytes& input) {
    for (EncodingId requested : DistinctReadRequests()) {
        EncodingId encoding = requested;
        LineEndingId lineEnding = LineEndingId::Unspecified;
        CLocalBlock block(DecodeFileBytes(input.data(), input.size(), encoding, lineEnding));
        size_t size = LocalSize(block.Get());
        CLocalLock lock(block.Get());
        const unsigned char* p = lock.As<unsigned char>();
        std::printf("request %2d -> encoding %2d, line ending %d:", static_cast<int>(requested),
                    static_cast<int>(encoding), static_cast<int>(lineEnding));
        for (size_t i = 0; i + 1 < size - 2; i += 2)
            std::printf(" %04X", p[i] | p[i + 1] << 8);
        std::printf("\n");
    }
}

void Usage() {
    std::fprintf(stderr, "usage: fuzz_converter [--seconds N | --runs N] [--seed N] [--corpus PATH]... "
                         "[--crash-dir DIR]\n"
                         "       fuzz_converter --replay FILE...\n"
                         "       fuzz_converter --show FILE\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    double seconds = 10;
    unsigned long long runs = 0;
    std::uint64_t seed = std::random_device{}();
    bool replay = false;
    std::vector<fs::path> corpus, replayFiles;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Usage();
            return argv[++i];
        };
        if (a == "--seconds")
            seconds = std::stod(value());
        else if (a == "--runs")
            runs = std::stoull(value());
        else if (a == "--seed")
            seed = std::stoull(value());
        else if (a == "--corpus")
            corpus.push_back(value());
        else if (a == "--crash-dir")
            g_crashDir = value();
        else if (a == "--replay")
            replay = true;
        else if (a == "--show" && i + 1 < argc) {
            Show(ReadFile(argv[i + 1]));
            return 0;
        } else if (replay && a[0] != '-')
            replayFiles.push_back(a);
        else
            Usage();
    }
    SetDeathCallbacks();

    if (replay) {
        if (replayFiles.empty())
            Usage();
        unsigned long long round = 0;
        for (const auto& f : replayFiles) {
            Bytes input = ReadFile(f);
            // Every decoded text is encoded once: one round per read option.
            for (size_t k = 0; k < DistinctReadRequests().size(); ++k)
                Exercise(input, round++);
            std::printf("fuzz: replayed %s (%zu bytes)\n", f.c_str(), input.size());
        }
        std::printf("fuzz: %zu inputs, %llu conversions, %llu refused by the converter, no fault\n", replayFiles.size(),
                    g_counters.conversions, g_counters.refused);
        return 0;
    }

    std::vector<Bytes> seeds;
    for (const auto& c : corpus)
        LoadSeeds(c, seeds);
    std::printf("fuzz: seed %llu, %zu seed inputs, %s %g\n", static_cast<unsigned long long>(seed), seeds.size(),
                runs ? "runs" : "seconds", runs ? static_cast<double>(runs) : seconds);
    std::fflush(stdout);
    // The seeds themselves first, whole.
    for (const Bytes& s : seeds)
        Exercise(s, g_counters.inputs);

    CMutator mutator(seed, seeds);
    auto start = std::chrono::steady_clock::now();
    auto deadline =
        start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
    auto nextReport = start + std::chrono::seconds(60);
    for (unsigned long long i = 0;; ++i) {
        if (runs ? i >= runs : (i % 16 == 0 && std::chrono::steady_clock::now() >= deadline))
            break;
        Bytes input = mutator.Next();
        Exercise(input, i);
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= nextReport) {
            std::printf("fuzz: %llu inputs, %llu conversions so far\n", g_counters.inputs, g_counters.conversions);
            std::fflush(stdout);
            nextReport += std::chrono::seconds(60);
        }
    }
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fuzz: %llu inputs, %llu conversions, %llu refused by the converter, %llu opened in two halves, in "
                "%.1f s; no fault\n",
                g_counters.inputs, g_counters.conversions, g_counters.refused, g_counters.halves, elapsed);
    return 0;
}
