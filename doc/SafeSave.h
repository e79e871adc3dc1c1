#pragma once
// Writes a file without ever destroying the one it replaces: the bytes go to a new file in the
// same folder, which is flushed and then put in the original's place in one step.
#include <functional>
#include <string>

class CFile;

// Calls write() with a new, empty file opened for writing next to strPath, then makes that file
// strPath, keeping the attributes of the file it replaces. On any failure the original is left
// byte for byte as it was, no new file remains, and a CFileException (or whatever write() threw)
// passes on; file exceptions name strPath. A read-only original is refused before anything is
// written.
void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write);
