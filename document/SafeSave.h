#pragma once
// Writes a file without ever destroying the one it replaces: the bytes go to a new file in the
// same folder, which is flushed and then made the file with renames, so the name holds the old or
// the new contents, whole, whenever the program stops.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CFile;
class CFileException;

// The file-system steps a save takes, one call each, so that a test can record their order and
// make any one of them fail. Each does what the Win32 call it is named after does and fails the
// same way (false, INVALID_HANDLE_VALUE or INVALID_FILE_ATTRIBUTES, with the cause in
// GetLastError); the real ones are those calls.
class ISaveFileSystem {
public:
    virtual ~ISaveFileSystem() = default;
    // The file a path finally names (a symbolic link followed); the path itself when it names
    // nothing or cannot be resolved.
    virtual std::wstring FinalPath(const std::wstring& path) = 0;
    virtual DWORD GetAttributes(const std::wstring& path) = 0;
    virtual bool SetAttributes(const std::wstring& path, DWORD attributes) = 0;
    // Names of the files (not folders) in a folder that match a wildcard pattern ("~*").
    virtual std::vector<std::wstring> ListFiles(const std::wstring& folder, const std::wstring& pattern) = 0;
    // The temporary file: created new (never over an existing one) for writing, flushed, closed.
    virtual bool CreateTemp(CFile& file, const std::wstring& path, CFileException* pError) = 0;
    virtual void FlushTemp(CFile& file) = 0; // throws CFileException
    virtual void CloseTemp(CFile& file) = 0;
    // CreateFileW; the caller owns the handle.
    virtual HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) = 0;
    virtual bool GetLinkCount(HANDLE file, DWORD& nLinks) = 0;
    virtual bool SeekToStart(HANDLE file) = 0;
    virtual bool Read(HANDLE file, void* pBuffer, DWORD nBytes, DWORD& nRead) = 0;
    virtual bool Write(HANDLE file, const void* pBuffer, DWORD nBytes, DWORD& nWritten) = 0;
    virtual bool SetEnd(HANDLE file) = 0;
    virtual bool Flush(HANDLE file) = 0;
    virtual bool Move(const std::wstring& from, const std::wstring& to, DWORD flags) = 0; // MoveFileExW
    virtual bool HardLink(const std::wstring& link, const std::wstring& existing) = 0;
    virtual bool Delete(const std::wstring& path) = 0;
};

// The file system itself.
ISaveFileSystem& RealSaveFileSystem();

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
// The same, with every file-system step taken through fs.
void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write, ISaveFileSystem& fs);

// Called with the name of the temporary file just before a save creates it; null (the default)
// for none. Tests put a file there to play another program taking the name in between.
// SetBeforeTempCreateHook returns the hook it replaces.
using TempCreateHook = void (*)(const std::wstring& tempPath);
TempCreateHook SetBeforeTempCreateHook(TempCreateHook pfn);
