// Reading a window's pixels from the screen: a copy of its screen rectangle into a 32-bit bitmap.
#include "ScreenPixels.h"
#include "Driver.h"
#include "framework/GdiHandles.h"
#include <cstring>

namespace e2e {

std::vector<std::uint32_t> ScreenPixels(HWND hwnd) {
    RECT rc{};
    if (!::GetWindowRect(hwnd, &rc) || rc.right <= rc.left || rc.bottom <= rc.top)
        return {};
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    CClientDC screen(nullptr);
    CMemoryDC mem(::CreateCompatibleDC(screen.Get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    CBitmapHandle bitmap(::CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!mem || !bitmap || !pBits)
        return {};
    std::vector<std::uint32_t> pixels(static_cast<size_t>(cx) * static_cast<size_t>(cy));
    {
        CSelectObject select(mem.Get(), bitmap.Get());
        if (!::BitBlt(mem.Get(), 0, 0, cx, cy, screen.Get(), rc.left, rc.top, SRCCOPY))
            return {};
        ::GdiFlush();
        std::memcpy(pixels.data(), pBits, pixels.size() * sizeof(std::uint32_t));
    }
    for (std::uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

std::vector<std::uint32_t> SettledScreenPixels(HWND hwnd, DWORD timeoutMs) {
    std::vector<std::uint32_t> last;
    bool bSettled = WaitUntil(
        [&] {
            // What was sent or posted before has been handled, and a pending paint is done now.
            SendTimed(hwnd, WM_NULL, 0, 0);
            ::UpdateWindow(hwnd);
            std::vector<std::uint32_t> now = ScreenPixels(hwnd);
            const bool bSame = !now.empty() && now == last;
            last = std::move(now);
            return bSame;
        },
        timeoutMs, 100);
    return bSettled ? last : std::vector<std::uint32_t>{};
}

} // namespace e2e
