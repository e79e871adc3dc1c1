// A converter that gives up, on open or on save, is reported as a failed conversion, not as a lack
// of memory; the document keeps its text and the file on disk stays as it was.
#include "DocHost.h"
#include "document/TextCodec.h"
#include "framework/Strings.h"
#include "res/resource.h"

namespace {
// Gives up at once, as nkf does on an option it does not know.
bool GiveUp(void*, size_t, size_t*, const void*, size_t) {
    return false;
}

// Puts a converter in place for the lifetime of the object.
class CConverterSwap {
public:
    explicit CConverterSwap(ConvertFunction pfn) : m_pfnPrevious(SetConvertFunction(pfn)) {}
    ~CConverterSwap() { SetConvertFunction(m_pfnPrevious); }
    CConverterSwap(const CConverterSwap&) = delete;
    CConverterSwap& operator=(const CConverterSwap&) = delete;

private:
    ConvertFunction m_pfnPrevious;
};
} // namespace

using DocConversionFault = DocHost;

TEST_F(DocConversionFault, OpenAndSaveSayTheConversionFailed) {
    CTempDir dir;
    const std::wstring path = dir.File(L"a.txt");
    const std::string original = "\xE3\x81\x82 original\n";
    WriteAllBytes(path, Bytes(original));
    ASSERT_TRUE(Open(path));
    Append(L"changed");
    const std::wstring expected = LoadStringResource(IDS_CONVERSION_FAILED);
    ASSERT_FALSE(expected.empty());

    const std::wstring other = dir.File(L"b.txt");
    WriteAllBytes(other, Bytes("other\n"));
    {
        CConverterSwap swap(GiveUp);
        CBoxAnswerer boxes(IDOK);
        EXPECT_FALSE(m_doc.OnOpenDocument(other.c_str()));
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], expected);
    }
    EXPECT_EQ(Text(), L"\u3042 original\r\nchanged");
    EXPECT_EQ(m_doc.GetPathName(), path);

    {
        CConverterSwap swap(GiveUp);
        CBoxAnswerer boxes(IDOK);
        EXPECT_EQ(m_doc.DoSave(path.c_str()), SaveResult::Failed);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], expected);
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    EXPECT_EQ((std::vector<std::wstring>{L"a.txt", L"b.txt"}), dir.List());
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(Text(), L"\u3042 original\r\nchanged");
}
