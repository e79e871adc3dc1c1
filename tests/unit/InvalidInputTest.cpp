// Files whose invalid byte pairs once made the converter read outside its Shift_JIS tables
// (tests/data/crash; the fuzz harness replays them under AddressSanitizer): read with detection and
// with each forced encoding that takes them down those paths, they decode to the same text every
// time, with the invalid pair left out as the converter leaves out other invalid input, and no
// character picked from a neighbouring table cell.
#include <gtest/gtest.h>
#include <string>
#include "TestFiles.h"
#include "document/TextCodec.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

struct Read {
    std::wstring text;
    EncodingId encoding;
    LineEndingId lineEnding;
};

Read ReadCrashFile(const wchar_t* name, EncodingId requested) {
    CFile file(TestDataPath(std::wstring(L"crash/") + name), CFile::modeRead | CFile::shareDenyWrite);
    Read r{{}, requested, LineEndingId::Unspecified};
    CLocalBlock block(DecodeFileText(file, r.encoding, r.lineEnding));
    CLocalLock lock(block.Get());
    size_t units = ::LocalSize(block.Get()) / 2 - 1;
    r.text.assign(lock.As<wchar_t>(), units);
    return r;
}

struct Case {
    const wchar_t* file;
    EncodingId requested;
    std::wstring text;
    EncodingId found;
};

} // namespace

TEST(InvalidInput, PairsOutsideTheShiftJisTablesAreLeftOut) {
    const Case cases[] = {
        // Shift_JIS FC 03: a second byte below 0x40 after FA-FC. The half-width katakana after it stays.
        {L"sjis-fc-low-trail.txt", EncodingId::SjisAuto, L"\xFF69", EncodingId::SjisAuto},
        {L"sjis-fc-low-trail.txt", EncodingId::Unspecified, L"\xFF69", EncodingId::SjisAuto},
        // EUC-JP F9 00: the NEC-selected IBM row carried to Shift_JIS 0xED with a second byte 0x31.
        {L"euc-f9-low-trail.txt", EncodingId::SjisAuto, L"", EncodingId::EucJp},
        {L"euc-f9-low-trail.txt", EncodingId::EucJp, L"", EncodingId::EucJp},
        // EUC-JP 8F B0 A0 and 8F B0 FF: a JIS X 0212 row has no cell for A0 or FF.
        {L"euc-x0212-trail-a0.txt", EncodingId::SjisAuto, L"\x3042\r\n", EncodingId::EucJp},
        {L"euc-x0212-trail-a0.txt", EncodingId::EucJp, L"\x3042\r\n", EncodingId::EucJp},
        {L"euc-x0212-trail-a0.txt", EncodingId::Iso2022Jp, L"\x3042\r\n", EncodingId::Iso2022Jp},
        {L"euc-x0212-trail-ff.txt", EncodingId::SjisAuto, L"\x3042\r\n", EncodingId::EucJp},
        {L"euc-x0212-trail-ff.txt", EncodingId::EucJp, L"\x3042\r\n", EncodingId::EucJp},
        {L"euc-x0212-trail-ff.txt", EncodingId::Iso2022Jp, L"\x3042\r\n", EncodingId::Iso2022Jp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "file " << testing::PrintToString(std::wstring(c.file)) << ", requested "
                                        << static_cast<int>(c.requested));
        // Twice: a read that depends on memory beside a table need not give the same text again.
        for (int pass = 0; pass < 2; ++pass) {
            Read r = ReadCrashFile(c.file, c.requested);
            EXPECT_EQ(r.text, c.text);
            EXPECT_EQ(r.encoding, c.found);
            EXPECT_EQ(r.lineEnding, LineEndingId::Crlf);
        }
    }
}

TEST(InvalidInput, UtfSixteenOutputEndingOnHalfAUnitStillEndsInAWholeZeroUnit) {
    // ISO-2022-JP "ESC N" at the very end: the converter writes one byte more than whole units.
    for (EncodingId requested : {EncodingId::SjisAuto, EncodingId::Iso2022Jp}) {
        CFile file(TestDataPath(L"crash/jis-esc-n-at-end.txt"), CFile::modeRead | CFile::shareDenyWrite);
        EncodingId encoding = requested;
        LineEndingId lineEnding = LineEndingId::Unspecified;
        CLocalBlock block(DecodeFileText(file, encoding, lineEnding));
        size_t size = ::LocalSize(block.Get());
        CLocalLock lock(block.Get());
        const auto* p = lock.As<unsigned char>();
        ASSERT_GE(size, 4u);
        EXPECT_EQ(size % 2, 0u) << static_cast<int>(requested);
        EXPECT_EQ(p[size - 1], 0);
        EXPECT_EQ(p[size - 2], 0);
        EXPECT_EQ(std::wstring(lock.As<wchar_t>(), 2), L"ab");
    }
}
