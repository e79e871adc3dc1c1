// The encoding and line-ending catalogue: data tables and lookups, no conversion.
#include "document/Encoding.h"
#include "framework/Strings.h"
#include "res/resource.h"

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
    {IDS_ENC_SJIS_AUTO, IDS_ENC_SJIS_AUTO_SHORT, "", "-s"},
    {IDS_ENC_EUC_JP, IDS_ENC_EUC_JP_SHORT, "-E", "-e"},
    {IDS_ENC_ISO_2022_JP, IDS_ENC_ISO_2022_JP_SHORT, "-J", "-j"},
    {IDS_ENC_UTF8_BOM, IDS_ENC_UTF8_BOM_SHORT, "-W8", "-w8"},
    {IDS_ENC_UTF8_N, IDS_ENC_UTF8_N_SHORT, "-W80", "-w80"},
    {IDS_ENC_UTF16_BE_BOM, IDS_ENC_UTF16_BE_BOM_SHORT, "-W16B", "-w16B"},
    {IDS_ENC_UTF16_LE_BOM, IDS_ENC_UTF16_LE_BOM_SHORT, "-W16L", "-w16L"},
    {IDS_ENC_UTF16_BE, IDS_ENC_UTF16_BE_SHORT, "-W16B", "-w16B0"},
    {IDS_ENC_UTF16_LE, IDS_ENC_UTF16_LE_SHORT, "-W16L", "-w16L0"},
    {IDS_ENC_UTF32_BE_BOM, IDS_ENC_UTF32_BE_BOM_SHORT, "-W32B", "-w32B"},
    {IDS_ENC_UTF32_LE_BOM, IDS_ENC_UTF32_LE_BOM_SHORT, "-W32L", "-w32L"},
    {IDS_ENC_UTF32_BE, IDS_ENC_UTF32_BE_SHORT, "-W32B", "-w32B0"},
    {IDS_ENC_UTF32_LE, IDS_ENC_UTF32_LE_SHORT, "-W32L", "-w32L0"},
};

struct LineEndingEntry {
    unsigned longNameId;
    unsigned shortNameId;
    const char* writeOption;
};

constexpr LineEndingEntry kLineEndings[kLineEndingCount] = {
    {IDS_LE_CRLF, IDS_LE_CRLF_SHORT, " -Lw"},
    {IDS_LE_LF, IDS_LE_LF_SHORT, " -Lu"},
    {IDS_LE_CR, IDS_LE_CR_SHORT, " -Lm"},
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

std::wstring EncodingSaveName(EncodingId id) {
    if (id == EncodingId::SjisAuto || !Find(id))
        return LoadStringResource(IDS_ENC_SJIS_SAVE);
    return EncodingLongName(id);
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
