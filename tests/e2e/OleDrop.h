#pragma once
// Drops a list of files on a window of another program through OLE, as the shell's drag does: an
// OLE drag from this process (a data object offering CF_HDROP) with the pointer over the target,
// which is asked through its registered drop target across the process boundary.
#include <windows.h>
#include <ole2.h>
#include <string>
#include <vector>

namespace e2e {
struct OleDropResult {
    HRESULT hr = E_FAIL;             // what DoDragDrop returned (DRAGDROP_S_DROP when dropped)
    DWORD dwEffect = DROPEFFECT_NONE; // the effect the target chose; none when it refused
};
// Moves the pointer to ptScreen and drags `paths` there, dropping at once. Runs the drag on a
// thread of its own; fails after `timeoutMs`.
OleDropResult OleDropFiles(const std::vector<std::wstring>& paths, POINT ptScreen, DWORD timeoutMs = 15000);
} // namespace e2e
