// Safe replacement of a file's contents: write a sibling file, flush it, then swap it in.
#include "doc/SafeSave.h"
#include <windows.h>
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

std::wstring NameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A name next to the target that nothing uses yet, e.g. "~memo.txt.1a2b.tmp".
std::wstring SiblingName(const std::wstring& path, const wchar_t* suffix, unsigned attempt) {
    wchar_t tag[32];
    swprintf(tag, 32, L".%lx%x", ::GetCurrentProcessId() & 0xFFFFF, (::GetTickCount() + attempt * 7919) & 0xFFFF);
    return FolderOf(path) + L"\\~" + NameOf(path) + tag + suffix;
}

// Creates the sibling temporary file; a collision with an existing name tries another name.
void CreateSibling(CFile& file, const std::wstring& path, std::wstring& tempPath) {
    for (unsigned attempt = 0;; ++attempt) {
        tempPath = SiblingName(path, L".tmp", attempt);
        if (::GetFileAttributesW(tempPath.c_str()) != INVALID_FILE_ATTRIBUTES && attempt < 100)
            continue;
        CFileException error;
        if (file.Open(tempPath, CFile::modeWrite | CFile::modeCreate | CFile::shareExclusive, &error))
            return;
        error.m_strFileName = path; // the user knows the file by its own name
        throw error;
    }
}

// The attributes a user sets on a file, which a replacement must carry over.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Puts the written file in the original's place. ReplaceFileW keeps the original's attributes,
// ACLs and streams on Windows. It is given a backup name because without one Wine removes the
// original before moving the replacement in, so a failure between the two would lose it; with
// one, every step is a rename and the backup holds the original until the end.
void SwapIn(const std::wstring& path, const std::wstring& tempPath, DWORD originalAttributes) {
    if (originalAttributes == INVALID_FILE_ATTRIBUTES) {
        if (!::MoveFileExW(tempPath.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
            CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), path);
        return;
    }
    std::wstring backup = SiblingName(path, L".bak", 0);
    if (!::ReplaceFileW(path.c_str(), tempPath.c_str(), backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)) {
        DWORD err = ::GetLastError();
        // If the original went to the backup name and the replacement did not follow it in, put
        // the original back.
        if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
            ::GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES)
            ::MoveFileExW(backup.c_str(), path.c_str(), 0);
        CFileException::ThrowOsError(static_cast<LONG>(err), path);
    }
    ::DeleteFileW(backup.c_str());
    // Wine's ReplaceFileW keeps no attributes: restore the user's ones (a hidden file stays hidden).
    DWORD now = ::GetFileAttributesW(path.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kKeptAttributes) != (originalAttributes & kKeptAttributes)) {
        DWORD wanted = ((now & ~kKeptAttributes) | (originalAttributes & kKeptAttributes)) & ~FILE_ATTRIBUTE_NORMAL;
        ::SetFileAttributesW(path.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL);
    }
}

} // namespace

void WriteFileSafely(const std::wstring& strPath, const std::function<void(CFile&)>& write) {
    DWORD attributes = ::GetFileAttributesW(strPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, strPath);
    // Wine lets a rename replace a read-only file (Windows refuses): refuse it here, before writing.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw CFileException(CFileException::accessDenied, ERROR_ACCESS_DENIED, strPath);

    std::wstring tempPath;
    CFile temp;
    CreateSibling(temp, strPath, tempPath);
    try {
        write(temp);
        temp.Flush(); // the bytes must be on the disk before the rename makes them the file
        temp.Close();
        SwapIn(strPath, tempPath, attributes);
    } catch (CFileException& e) {
        temp.Close();
        ::DeleteFileW(tempPath.c_str());
        e.m_strFileName = strPath;
        throw;
    } catch (...) {
        temp.Close();
        ::DeleteFileW(tempPath.c_str());
        throw;
    }
}
