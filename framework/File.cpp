// CFile over CreateFileW/ReadFile/WriteFile. Large transfers go in chunks because one ReadFile or
// WriteFile call moves at most 4 GiB - 1 bytes.
#include "framework/File.h"
#include <algorithm>

namespace {
constexpr size_t kChunk = 1u << 30;
}

std::wstring AfxFullPath(const std::wstring& strPath) {
    if (strPath.empty())
        return strPath;
    DWORD n = ::GetFullPathNameW(strPath.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return strPath;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(strPath.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return strPath;
    full.resize(n);
    return full;
}

namespace {
// The identity of an existing file or folder; false when it cannot be opened. No access is asked
// for and every sharing mode is allowed, so a file that another program holds open still answers.
bool FileIdentity(const std::wstring& strPath, BY_HANDLE_FILE_INFORMATION& info) {
    CFileHandle h(::CreateFileW(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h && ::GetFileInformationByHandle(h.Get(), &info);
}
} // namespace

bool AfxSameFile(const std::wstring& strPath1, const std::wstring& strPath2) {
    if (strPath1.empty() || strPath2.empty())
        return false;
    const std::wstring strFull1 = AfxFullPath(strPath1);
    const std::wstring strFull2 = AfxFullPath(strPath2);
    BY_HANDLE_FILE_INFORMATION info1{}, info2{};
    if (FileIdentity(strFull1, info1) && FileIdentity(strFull2, info2))
        return info1.dwVolumeSerialNumber == info2.dwVolumeSerialNumber &&
               info1.nFileIndexHigh == info2.nFileIndexHigh && info1.nFileIndexLow == info2.nFileIndexLow;
    return ::CompareStringOrdinal(strFull1.c_str(), static_cast<int>(strFull1.size()), strFull2.c_str(),
                                  static_cast<int>(strFull2.size()), TRUE) == CSTR_EQUAL;
}

CFile::CFile(const std::wstring& strPath, UINT nOpenFlags) {
    CFileException error;
    if (!Open(strPath, nOpenFlags, &error))
        throw error;
}

bool CFile::Open(const std::wstring& strPath, UINT nOpenFlags, CFileException* pError) {
    Close();
    m_strFileName = strPath;
    DWORD access = 0;
    switch (nOpenFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    default: access = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: share = 0; break;
    }
    DWORD disposition = OPEN_EXISTING;
    if ((nOpenFlags & modeCreate) && (nOpenFlags & modeCreateNew))
        disposition = CREATE_NEW;
    else if (nOpenFlags & modeCreate)
        disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE h = ::CreateFileW(strPath.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        LONG err = static_cast<LONG>(::GetLastError());
        if (pError)
            *pError = CFileException(CFileException::OsErrorToCause(err), err, strPath);
        return false;
    }
    m_hFile.Attach(h);
    return true;
}

void CFile::Attach(HANDLE hFile, const std::wstring& strPath) {
    m_hFile.Attach(hFile);
    m_strFileName = strPath;
}

void CFile::Close() {
    m_hFile.Close();
}

void CFile::ThrowLastError() const {
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), m_strFileName);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_hFile.Get(), &size))
        ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

size_t CFile::Read(void* pBuffer, size_t nCount) {
    auto* p = static_cast<BYTE*>(pBuffer);
    size_t total = 0;
    while (total < nCount) {
        DWORD want = static_cast<DWORD>(std::min(nCount - total, kChunk));
        DWORD got = 0;
        if (!::ReadFile(m_hFile.Get(), p + total, want, &got, nullptr))
            ThrowLastError();
        total += got;
        if (got == 0)
            break;
    }
    return total;
}

void CFile::Write(const void* pBuffer, size_t nCount) {
    const auto* p = static_cast<const BYTE*>(pBuffer);
    size_t total = 0;
    while (total < nCount) {
        DWORD want = static_cast<DWORD>(std::min(nCount - total, kChunk));
        DWORD put = 0;
        if (!::WriteFile(m_hFile.Get(), p + total, want, &put, nullptr))
            ThrowLastError();
        // A short write without an error is how a full disk shows itself on some file systems.
        if (put == 0)
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFileName);
        total += put;
    }
}

void CFile::Flush() {
    if (!::FlushFileBuffers(m_hFile.Get()))
        ThrowLastError();
}
