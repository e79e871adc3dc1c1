#pragma once
// Writes a file without ever destroying the one it replaces: the bytes go to a new file in the
// same folder, which is flushed and then made the file with renames, so the name holds the old or
// the new contents, whole, whenever the program stops.
#include <functional>
#include <string>

class CFile;

// Calls write() with a new, empty file opened for writing next to the file strPath names (the
// file a symbolic link points to, for a link), then makes that the file's contents. The file
// keeps what it had besides its contents where the file system allows: its attributes, its Unix
// mode under Wine, its ACL and streams on Windows, and its other names (hard links), which all
// see the new contents. Another program that holds the file for a moment is waited for, about
// 2 s. Sibling files left by an earlier save of this file that was killed are removed. On any
// failure the original is left byte for byte as it was, no new file remains, and a
// CFileException (or whatever write() threw) passes on; file exceptions name strPath. A
// read-only original is refused before anything is written.
void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write);

// Called with the name of the temporary file just before a save creates it; null (the default)
// for none. Tests put a file there to play another program taking the name in between.
// SetBeforeTempCreateHook returns the hook it replaces.
using TempCreateHook = void (*)(const std::wstring& tempPath);
TempCreateHook SetBeforeTempCreateHook(TempCreateHook pfn);
