// DDE execute requests sent to the running editor from this second process, as any program may
// send them: a conversation with the service "Tessarin" and the topic "system" found by broadcast,
// requests posted in shared global memory, acknowledgements read back. A well-formed open request
// opens the file; a request that is unterminated, unknown or malformed is refused and leaves the
// document and its unsaved text alone.
#include "DdeClient.h"
#include "TessarinApp.h"
#include <dde.h>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace e2e;

TEST_F(TessarinE2E, DdeOpenRequestsAreCheckedAndMalformedOnesRefused) {
    WriteAllBytes(m_dir.File(L"a.txt"), std::vector<unsigned char>{'a', 'b', 'c'});
    ASSERT_NE(Launch(), nullptr);
    CDdeConversation dde;
    ASSERT_TRUE(dde.Initiate(L"Tessarin", L"system")) << "no server for Tessarin / system";

    // A well-formed request is carried out and acknowledged positively.
    EXPECT_EQ(dde.Execute(L"[open(\"" + m_dir.File(L"a.txt") + L"\")]"), std::optional<bool>(true));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"a.txt - Tessarin"; }));

    // Unsaved text, which no malformed request may touch.
    ASSERT_TRUE(m_app.TypeText(L"unsaved ", Edit()));
    const std::wstring strText = WindowText(Edit());
    ASSERT_EQ(strText, L"unsaved abc");

    // Units of "A" with no terminating zero, up to 1,048,512 of them: read past the block's end,
    // such a request crashed the program. Wine delivers a request of megabytes only once it has
    // passed smaller ones (a first one of 2 MB never reaches the window), so they grow.
    for (size_t nUnits : {1000u, 100000u, 300000u, 600000u, 1048512u}) {
        const std::wstring strUnterminated(nUnits, L'A');
        EXPECT_EQ(dde.Execute(strUnterminated.data(), strUnterminated.size() * sizeof(wchar_t)),
                  std::optional<bool>(false))
            << nUnits << " units";
        ASSERT_TRUE(m_app.IsRunning()) << "the program died on " << nUnits << " units";
    }
    // An open request cut before its zero.
    const std::wstring strOpen = L"[open(\"" + m_dir.File(L"a.txt") + L"\")]";
    EXPECT_EQ(dde.Execute(strOpen.data(), strOpen.size() * sizeof(wchar_t)), std::optional<bool>(false));
    // Commands the program does not know, and malformed ones, also after a good one.
    for (const std::wstring& strBad :
         {std::wstring(L"[print(\"") + m_dir.File(L"a.txt") + L"\")]", std::wstring(L"AAAA"),
          std::wstring(L"[open(\"") + m_dir.File(L"b.txt") + L"\")][bogus]",
          std::wstring(L"[open(\"") + m_dir.File(L"a.txt") + L"\")", std::wstring(L"[open(\"\")]"), std::wstring(L"")})
        EXPECT_EQ(dde.Execute(strBad), std::optional<bool>(false)) << "accepted: " << strBad.substr(0, 80);
    // Bytes that are not text at all, of odd and tiny sizes.
    const unsigned char noise[] = {0xFF, 0xFE, 0x5B, 0xD8, 0x00};
    EXPECT_EQ(dde.Execute(noise, 1), std::optional<bool>(false));
    EXPECT_EQ(dde.Execute(noise, 3), std::optional<bool>(false));

    // Still running, no question asked, the text untouched and still unsaved.
    ASSERT_TRUE(m_app.IsRunning()) << "the program died";
    EXPECT_TRUE(m_app.HasNoDialog());
    EXPECT_EQ(WindowText(Edit()), strText);
    EXPECT_EQ(ReadAllBytes(m_dir.File(L"a.txt")), (std::vector<unsigned char>{'a', 'b', 'c'}));
    ExitDiscarding();
}
