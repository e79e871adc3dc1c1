#pragma once
// What a window looks like on the screen right now, read back from the display, for tests of what a
// control paints (another process's drawing reaches the screen, not our device contexts).
#include <windows.h>
#include <cstdint>
#include <vector>

namespace e2e {

// The pixels (0x00RRGGBB, row by row) of the window's rectangle on the screen; empty on failure.
std::vector<std::uint32_t> ScreenPixels(HWND hwnd);

// The window's pixels once the program has painted: its queue is flushed and two reads 100 ms apart
// agree. Empty when they never settle within `timeoutMs`.
std::vector<std::uint32_t> SettledScreenPixels(HWND hwnd, DWORD timeoutMs = 5000);

} // namespace e2e
