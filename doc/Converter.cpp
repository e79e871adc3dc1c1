// The converter adapter over the embedded nkf, and the detection code built from what nkf's
// decoder found and from the first line break of the input.
#include "doc/Converter.h"
#include "doc/NkfEmbed.h"
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::string g_options;
int g_detectionCode = 4 | 3;

enum LineBits { kLineCr = 1, kLineLf = 2, kLineCrLf = 3 };

// The first line break of the input, in code units of the decoder's width and byte order. In the
// byte-oriented encodings CR and LF bytes never occur inside a multi-byte character, so a byte
// scan is exact for them too. A CR counts as part of CR LF only when LF follows at once.
int FirstLineBreak(const unsigned char* p, size_t n, size_t unit, bool bigEndian) {
    auto at = [&](size_t i) -> uint32_t {
        uint32_t v = 0;
        for (size_t k = 0; k < unit; ++k) {
            uint32_t b = p[i + k];
            v |= bigEndian ? b << (8 * (unit - 1 - k)) : b << (8 * k);
        }
        return v;
    };
    size_t end = n - n % unit;
    for (size_t i = 0; i < end; i += unit) {
        uint32_t c = at(i);
        if (c == '\n')
            return kLineLf;
        if (c == '\r')
            return i + unit < end && at(i + unit) == '\n' ? kLineCrLf : kLineCr;
    }
    return kLineCrLf;
}

// The input option that reads a byte-oriented family.
const char* ForcedOption(int family) {
    switch (family) {
    case NKF_FAMILY_EUC: return "-E";
    case NKF_FAMILY_JIS: return "-J";
    case NKF_FAMILY_UTF8: return "-W8";
    default: return "-S";
    }
}

int FamilyBase(const NkfFindings& f) {
    switch (f.family) {
    case NKF_FAMILY_EUC: return 8;
    case NKF_FAMILY_JIS: return 12;
    case NKF_FAMILY_UTF8: return 32;
    case NKF_FAMILY_UTF16: return f.bigEndian ? 96 : 64;
    case NKF_FAMILY_UTF32: return f.bigEndian ? 160 : 128;
    default: return 4;
    }
}

} // namespace

void SetConversionOptions(const char* pszOptions) {
    std::string text = pszOptions ? pszOptions : "";
    if (text.empty() || text[0] != '-')
        text.insert(text.begin(), '-');
    // "-W80" (UTF-8 input, no mark) is the catalogue's read option for UTF-8N, but nkf 2.1.5 reads
    // only "-W8" for input and takes the "0" for an unknown option; both select UTF-8 input, and
    // whether a mark was there is learned from the detection code.
    g_options.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view word(text.data() + start, end - start);
        g_options += word == "-W80" ? std::string_view("-W8") : word;
        if (end < text.size())
            g_options += ' ';
        start = end + 1;
    }
}

bool ConvertBuffer(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength) {
    if (!pIn)
        return false;
    auto* out = static_cast<unsigned char*>(pOut);
    const auto* in = static_cast<const unsigned char*>(pIn);
    size_t capacity = out ? nCapacity : 0;
    size_t produced = 0;
    bool ok = nkf_embed_convert(g_options.c_str(), in, nInLength, out, capacity, &produced) != 0;
    NkfFindings f = nkf_embed_findings();
    // After a binary verdict the text may come from two decoders; it is decoded again, all of it
    // in the encoding the file fits best, so that the text and the encoding reported agree.
    if (f.binary) {
        std::string options = std::string(ForcedOption(f.family)) + " " + g_options;
        produced = 0;
        ok = nkf_embed_convert(options.c_str(), in, nInLength, out, capacity, &produced) != 0;
        f = nkf_embed_findings();
    }
    if (pnProduced)
        *pnProduced = produced;
    if (out && produced < nCapacity)
        out[produced] = 0;

    size_t unit = f.family == NKF_FAMILY_UTF16 ? 2 : f.family == NKF_FAMILY_UTF32 ? 4 : 1;
    g_detectionCode = FamilyBase(f) + (f.bom ? 16 : 0) + FirstLineBreak(in, nInLength, unit, f.bigEndian != 0);
    return ok;
}

int GetDetectionCode() {
    return g_detectionCode;
}
