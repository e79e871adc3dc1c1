#pragma once
// CFile: a binary file opened with CreateFileW, read and written whole; failures become
// CFileException with the system's cause and the file's name.
#include <windows.h>
#include <string>
#include "framework/Exception.h"
#include "framework/Handles.h"

// The full form of a path (GetFullPathNameW: against the current folder and drive), or the path
// unchanged when it has none. A path kept for later must be full: the current folder moves, for
// instance whenever the user browses in a file dialog.
std::wstring AfxFullPath(const std::wstring& strPath);

// Whether two paths name the same file, as Windows decides it: where both files exist, by their
// volume and file index (so a hard link, a short name or a path through another folder is the
// same file, and two names that only look alike are not); otherwise by their full paths compared
// code unit by code unit without regard to letter case, as the file system compares names. Not
// the locale's comparison: lstrcmpiW calls "Straße" and "Strasse", or an accented letter and the
// letter followed by a combining accent, equal, and they are different files. An empty path is
// no file.
bool AfxSameFile(const std::wstring& strPath1, const std::wstring& strPath2);

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        modeCreateNew = 0x4000, // with modeCreate: fails (ERROR_FILE_EXISTS) when the file is there
        typeBinary = 0x8000,
    };

    CFile() = default;
    // Opens or throws CFileException.
    CFile(const std::wstring& strPath, UINT nOpenFlags);
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile() = default;

    // Opens the file; on failure returns false and, when given, fills *pError.
    bool Open(const std::wstring& strPath, UINT nOpenFlags, CFileException* pError = nullptr);
    // Takes over a handle opened elsewhere (with CreateFileW options this class does not offer).
    void Attach(HANDLE hFile, const std::wstring& strPath);
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_hFile); }

    ULONGLONG GetLength() const;
    // Reads up to nCount bytes and returns how many arrived (fewer only at the end of the file).
    size_t Read(void* pBuffer, size_t nCount);
    // Writes all nCount bytes or throws.
    void Write(const void* pBuffer, size_t nCount);
    // Commits the written bytes to the disk (FlushFileBuffers reaches fsync under Wine).
    void Flush();

    const std::wstring& GetFilePath() const { return m_strFileName; }
    HANDLE GetHandle() const { return m_hFile.Get(); }

private:
    [[noreturn]] void ThrowLastError() const;

    CFileHandle m_hFile;
    std::wstring m_strFileName;
};
