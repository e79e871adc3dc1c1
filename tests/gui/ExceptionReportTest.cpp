// An exception that escapes a message handler of a real window reaches the user as a message box
// with the exception's own text (a file error names its file), the out-of-memory text, or a
// generic text; the window goes on working, and a handler throwing again while the box is up
// adds no second box.
#include "DocHost.h"
#include "app/ExceptionReport.h"
#include "framework/Exception.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <functional>
#include <new>
#include <stdexcept>

namespace {
constexpr UINT WM_THROW = WM_APP + 17;

// A frame whose handler for WM_THROW runs the test's thrower; any other message is handled as usual.
class CThrowingFrame : public CFrameWnd {
public:
    std::function<void()> m_throw;
    int m_nHandled = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_THROW) {
            ++m_nHandled;
            m_throw();
            return 1;
        }
        return CFrameWnd::WindowProc(message, wParam, lParam);
    }
};

class ExceptionReport : public ::testing::Test {
protected:
    void SetUp() override {
        m_pfnSaved = CWnd::s_pfnReportException;
        InstallExceptionReporter();
        RECT rc{80, 80, 480, 380};
        ASSERT_TRUE(m_frame.Create(L"ExceptionReport", WS_OVERLAPPEDWINDOW, &rc));
        m_frame.ShowWindow(SW_SHOW);
    }
    void TearDown() override {
        m_frame.DestroyWindow();
        CWnd::s_pfnReportException = m_pfnSaved;
    }
    // Sends WM_THROW with the thrower in place; returns the texts of the boxes shown meanwhile.
    std::vector<std::wstring> Throw(std::function<void()> thrower) {
        m_frame.m_throw = std::move(thrower);
        CBoxAnswerer boxes(IDOK);
        m_frame.SendMessage(WM_THROW, 0, 0);
        return boxes.Texts();
    }

    CThrowingFrame m_frame;
    void (*m_pfnSaved)(std::exception_ptr) = nullptr;
};
} // namespace

TEST_F(ExceptionReport, EachKindOfExceptionIsShownWithItsText) {
    const std::wstring path = L"C:\\nowhere\\a.txt";
    EXPECT_EQ(Throw([&] { throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, path); }),
              std::vector<std::wstring>{FormatString(AFX_IDP_FILE_ACCESS_DENIED, {path})});
    EXPECT_EQ(Throw([] { throw CConversionException(); }),
              std::vector<std::wstring>{LoadStringResource(IDS_CONVERSION_FAILED)});

    const std::wstring outOfMemory = LoadStringResource(IDS_OUT_OF_MEMORY);
    ASSERT_FALSE(outOfMemory.empty());
    EXPECT_EQ(Throw([] { throw CMemoryException(); }), std::vector<std::wstring>{outOfMemory});
    EXPECT_EQ(Throw([] { throw std::bad_alloc(); }), std::vector<std::wstring>{outOfMemory});

    const std::wstring generic = LoadStringResource(IDS_UNEXPECTED_ERROR);
    ASSERT_FALSE(generic.empty());
    EXPECT_EQ(Throw([] { throw std::runtime_error("internal"); }), std::vector<std::wstring>{generic});
    EXPECT_EQ(Throw([] { throw 42; }), std::vector<std::wstring>{generic});
    EXPECT_EQ(m_frame.m_nHandled, 6);
}

TEST_F(ExceptionReport, AHandlerThrowingAgainUnderTheBoxAddsNoSecondBox) {
    // The first throw shows a box; while it is up, the handler throws again from the box's own
    // message loop (as a paint handler would).
    bool bInner = false;
    m_frame.m_throw = [&] {
        if (!bInner) {
            bInner = true;
            throw CMemoryException();
        }
        throw std::runtime_error("again");
    };
    CBoxAnswerer boxes(IDOK);
    boxes.m_nHoldTicks = 2;
    boxes.m_onShown = [&] { m_frame.SendMessage(WM_THROW, 0, 0); };
    m_frame.SendMessage(WM_THROW, 0, 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{LoadStringResource(IDS_OUT_OF_MEMORY)});
    EXPECT_EQ(m_frame.m_nHandled, 2);
    EXPECT_TRUE(::IsWindow(m_frame.m_hWnd)); // the window goes on
}
