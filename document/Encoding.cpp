// The encoding and line-ending catalogue: data tables and lookups, no conversion.
#include "document/Encoding.h"
#include "framework/Strings.h"

namespace {

struct EncodingEntry {
    unsigned longNameId;
    unsigned shortNameId;
    const char* readOption;
    const char* writeOption;
};

// Indexed by EncodingId. The list order is not the order of the string ids: "UTF-8" (with mark)
// precedes "UTF-8N", and each UTF-16/32 group runs BE with mark, LE with mark, BE, LE.
constexpr EncodingEntry kEncodings[kEncodingCount] = {
    {62220, 62221, "", "-s"},          {62222, 62223, "-E", "-e"},        {62224, 62225, "-J", "-j"},
    {62228, 62229, "-W8", "-w8"},      {62226, 62227, "-W80", "-w80"},    {62236, 62237, "-W16B", "-w16B"},
    {62232, 62233, "-W16L", "-w16L"},  {62234, 62235, "-W16B", "-w16B0"}, {62230, 62231, "-W16L", "-w16L0"},
    {62244, 62245, "-W32B", "-w32B"},  {62240, 62241, "-W32L", "-w32L"},  {62242, 62243, "-W32B", "-w32B0"},
    {62238, 62239, "-W32L", "-w32L0"},
};

struct LineEndingEntry {
    unsigned longNameId;
    unsigned shortNameId;
    const char* writeOption;
};

constexpr LineEndingEntry kLineEndings[kLineEndingCount] = {
    {62246, 62247, " -Lw"},
    {62248, 62249, " -Lu"},
    {62250, 62251, " -Lm"},
};

const EncodingEntry* Find(EncodingId id) {
    int i = static_cast<int>(id);
    return i >= 0 && i < kEncodingCount ? &kEncodings[i] : nullptr;
}

const LineEndingEntry* Find(LineEndingId id) {
    int i = static_cast<int>(id);
    return i >= 0 && i < kLineEndingCount ? &kLineEndings[i] : nullptr;
}

} // namespace

std::wstring EncodingLongName(EncodingId id) {
    const EncodingEntry* e = Find(id);
    return e ? LoadStringResource(e->longNameId) : std::wstring();
}

std::wstring LineEndingLongName(LineEndingId id) {
    const LineEndingEntry* e = Find(id);
    return e ? LoadStringResource(e->longNameId) : std::wstring();
}

std::wstring EncodingShortName(EncodingId id) {
    const EncodingEntry* e = Find(id);
    return e ? LoadStringResource(e->shortNameId) : std::wstring();
}

std::wstring LineEndingShortName(LineEndingId id) {
    const LineEndingEntry* e = Find(id);
    return e ? LoadStringResource(e->shortNameId) : std::wstring();
}

std::wstring FileFormatText(EncodingId encoding, LineEndingId lineEnding) {
    return EncodingShortName(encoding) + L" / " + LineEndingShortName(lineEnding) + L" ";
}

const char* EncodingReadOption(EncodingId id) {
    // Id 0 means detection: no input option at all.
    const EncodingEntry* e = Find(id);
    return e ? e->readOption : "";
}

const char* EncodingWriteOption(EncodingId id) {
    const EncodingEntry* e = Find(id);
    return e ? e->writeOption : "-s";
}

const char* LineEndingWriteOption(LineEndingId id) {
    const LineEndingEntry* e = Find(id);
    return e ? e->writeOption : " -Lw";
}
