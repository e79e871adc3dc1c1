#pragma once
// Writes a file without ever destroying the one it replaces: the bytes go to a new file in the
// same folder, which is flushed and then made the file with renames, so the name holds the old or
// the new contents, whole, whenever the program stops.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "framework/Exception.h"

class CFile;

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
    // A self-relative security descriptor for a new file that holds the text of the open file
    // `original` (opened with READ_CONTROL): it grants nobody more than that file does
    // (GetSecurityInfo on Windows; see the real one for Wine). For INVALID_HANDLE_VALUE, one that
    // grants the saving user alone.
    virtual bool SecurityFor(HANDLE original, std::vector<BYTE>& descriptor) = 0;
    // The temporary file: created new (never over an existing one) for writing, with the given
    // security descriptor (null: the folder's default), then flushed and closed.
    virtual bool CreateTemp(CFile& file, const std::wstring& path, PSECURITY_DESCRIPTOR pSecurity,
                            CFileException* pError) = 0;
    virtual void FlushTemp(CFile& file) = 0; // throws CFileException
    virtual void CloseTemp(CFile& file) = 0;
    // CreateFileW with the given security descriptor (null: the default); the caller owns the handle.
    virtual HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                        PSECURITY_DESCRIPTOR pSecurity) = 0;
    virtual bool GetInfo(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) = 0;
    virtual bool SeekToStart(HANDLE file) = 0;
    virtual bool Read(HANDLE file, void* pBuffer, DWORD nBytes, DWORD& nRead) = 0;
    virtual bool Write(HANDLE file, const void* pBuffer, DWORD nBytes, DWORD& nWritten) = 0;
    virtual bool SetEnd(HANDLE file) = 0;
    virtual bool Flush(HANDLE file) = 0;
    virtual bool Move(const std::wstring& from, const std::wstring& to, DWORD flags) = 0; // MoveFileExW
    virtual bool HardLink(const std::wstring& link, const std::wstring& existing) = 0;
    virtual bool Delete(const std::wstring& path) = 0;
    // The user's temporary folder (GetTempPathW), without a trailing backslash.
    virtual std::wstring TempFolder() = 0;
};

// The file system itself.
ISaveFileSystem& RealSaveFileSystem();

// Calls write() with a new, empty file opened for writing next to the file strPath names (the
// file a symbolic link points to, for a link), then makes that the file's contents. The new file
// grants nobody more than the original does while it holds the text. The file keeps what it had
// besides its contents where the file system allows: its attributes, its Unix mode and owner under
// Wine, its ACL and streams on Windows, and its other names (hard links), which all see the new
// contents. Another program that holds the file for a moment is waited for, about 2 s. A save of
// this file that was cut short is finished first (FinishInterruptedSave). When the folder refuses
// a new file but the file itself may be written, the file is rewritten in place, with a copy of
// its old contents kept in the user's temporary folder until that has succeeded. On any failure
// the original is left byte for byte as it was, no new file remains, and a CFileException (or
// whatever write() threw) passes on; file exceptions name strPath. A read-only original is
// refused before anything is written.
void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write);
// The same, with every file-system step taken through fs.
void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write, ISaveFileSystem& fs);

// Finishes what a save of strPath that was cut short (the program killed, the machine stopped)
// left half done: the newest whole text goes into the original file under its own name, which
// keeps its identity, mode, owner and other names, and the save's own files go. Only files whose
// names carry this program's mark are touched, and one that may hold the only whole copy of some
// text is kept. True when a save was finished (the file's contents changed); never throws.
bool FinishInterruptedSave(const std::wstring& strPath);
bool FinishInterruptedSave(const std::wstring& strPath, ISaveFileSystem& fs);

// Thrown when a save that had to rewrite the file in place failed after it had kept a copy of the
// old contents in the temporary folder: the copy stays there, and the message says where.
class CSaveCopyKeptException : public CFileException {
public:
    CSaveCopyKeptException(const CFileException& cause, std::wstring strCopyPath)
        : CFileException(cause), m_strCopyPath(std::move(strCopyPath)) {}
    std::wstring m_strCopyPath;
};

// Called with the name of the temporary file just before a save creates it; null (the default)
// for none. Tests put a file there to play another program taking the name in between.
// SetBeforeTempCreateHook returns the hook it replaces.
using TempCreateHook = void (*)(const std::wstring& tempPath);
TempCreateHook SetBeforeTempCreateHook(TempCreateHook pfn);
