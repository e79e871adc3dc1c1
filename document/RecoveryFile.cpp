// Recovery snapshot files: writing the header, reading and checking a whole file, the folder and
// an instance's files, and finding the snapshots that instances which no longer run left behind.
#include "document/RecoveryFile.h"
#include <shlobj.h>
#include <algorithm>
#include <cstring>

namespace {

void PutU32(std::vector<unsigned char>& out, uint32_t n) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(n >> (8 * i)));
}
void PutU64(std::vector<unsigned char>& out, uint64_t n) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<unsigned char>(n >> (8 * i)));
}
uint32_t GetU32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint64_t GetU64(const unsigned char* p) {
    return static_cast<uint64_t>(GetU32(p)) | static_cast<uint64_t>(GetU32(p + 4)) << 32;
}

uint64_t Mix(uint64_t h, uint64_t w) {
    h ^= w * 0x9E3779B97F4A7C15ull;
    h = (h << 27) | (h >> 37);
    return h * 0xC2B2AE3D27D4EB4Full + 0x165667B19E3779F9ull;
}

bool ReadExactly(HANDLE h, void* pData, size_t nBytes) {
    auto* p = static_cast<unsigned char*>(pData);
    while (nBytes) {
        DWORD nChunk = static_cast<DWORD>(std::min<size_t>(nBytes, 1u << 24)), nRead = 0;
        if (!::ReadFile(h, p, nChunk, &nRead, nullptr) || nRead != nChunk)
            return false;
        p += nRead;
        nBytes -= nRead;
    }
    return true;
}

bool FileExists(const std::wstring& strPath) {
    return ::GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

namespace RecoveryFormat {

std::vector<unsigned char> Header(const RecoveryState& state, uint64_t nTextChars) {
    std::vector<unsigned char> out(kMagic, kMagic + sizeof(kMagic));
    PutU32(out, kVersion);
    PutU32(out, static_cast<uint32_t>(state.encoding));
    PutU32(out, static_cast<uint32_t>(state.lineEnding));
    PutU32(out, state.bModified ? 1u : 0u);
    PutU32(out, static_cast<uint32_t>(state.nSelStart));
    PutU32(out, static_cast<uint32_t>(state.nSelEnd));
    PutU64(out, state.nTakenAt);
    PutU32(out, static_cast<uint32_t>(state.strPath.size()));
    PutU64(out, nTextChars);
    for (wchar_t ch : state.strPath) {
        out.push_back(static_cast<unsigned char>(ch & 0xFF));
        out.push_back(static_cast<unsigned char>(ch >> 8));
    }
    return out;
}

void CChecksum::Add(const void* pData, size_t nBytes) {
    const auto* p = static_cast<const unsigned char*>(pData);
    m_nTotal += nBytes;
    while (nBytes && m_nPendingBytes) { // finish a word begun by the last piece
        m_nPending |= static_cast<uint64_t>(*p++) << (8 * m_nPendingBytes);
        --nBytes;
        if (++m_nPendingBytes == 8) {
            m_nHash = Mix(m_nHash, m_nPending);
            m_nPending = 0;
            m_nPendingBytes = 0;
        }
    }
    for (; nBytes >= 8; p += 8, nBytes -= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8); // little-endian on every Windows target
        m_nHash = Mix(m_nHash, w);
    }
    for (; nBytes; --nBytes)
        m_nPending |= static_cast<uint64_t>(*p++) << (8 * m_nPendingBytes++);
}

uint64_t CChecksum::Value() const {
    return Mix(Mix(m_nHash, m_nPending), m_nTotal);
}

std::optional<RecoverySnapshot> Read(const std::wstring& strFile, bool bKeepText, uint64_t& nTextChars) {
    CFileHandle h(::CreateFileW(strFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!h || !::GetFileSizeEx(h.Get(), &size))
        return std::nullopt;
    unsigned char header[kHeaderBytes];
    if (static_cast<uint64_t>(size.QuadPart) < kHeaderBytes + 8 || !ReadExactly(h.Get(), header, kHeaderBytes) ||
        std::memcmp(header, kMagic, sizeof(kMagic)) != 0 || GetU32(header + 8) != kVersion)
        return std::nullopt;
    RecoverySnapshot snap;
    RecoveryState& st = snap.state;
    uint32_t nEncoding = GetU32(header + 12), nLineEnding = GetU32(header + 16);
    if (nEncoding >= static_cast<uint32_t>(kEncodingCount) || nLineEnding >= static_cast<uint32_t>(kLineEndingCount))
        return std::nullopt;
    st.encoding = static_cast<EncodingId>(nEncoding);
    st.lineEnding = static_cast<LineEndingId>(nLineEnding);
    st.bModified = (GetU32(header + 20) & 1) != 0;
    st.nSelStart = static_cast<int>(GetU32(header + 24));
    st.nSelEnd = static_cast<int>(GetU32(header + 28));
    st.nTakenAt = GetU64(header + 32);
    uint64_t nPathChars = GetU32(header + 40);
    nTextChars = GetU64(header + 44);
    // The lengths must account for the file's size exactly: a torn file is shorter.
    if (nTextChars > (1ull << 40) || kHeaderBytes + 2 * (nPathChars + nTextChars) + 8 != static_cast<uint64_t>(size.QuadPart))
        return std::nullopt;
    CChecksum sum;
    sum.Add(header, kHeaderBytes);
    st.strPath.resize(static_cast<size_t>(nPathChars));
    if (!ReadExactly(h.Get(), st.strPath.data(), st.strPath.size() * 2))
        return std::nullopt;
    sum.Add(st.strPath.data(), st.strPath.size() * 2);
    if (bKeepText) {
        snap.strText.resize(static_cast<size_t>(nTextChars));
        if (!ReadExactly(h.Get(), snap.strText.data(), snap.strText.size() * 2))
            return std::nullopt;
        sum.Add(snap.strText.data(), snap.strText.size() * 2);
    } else {
        std::vector<unsigned char> chunk(1u << 20);
        for (uint64_t nLeft = nTextChars * 2; nLeft;) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(nLeft, chunk.size()));
            if (!ReadExactly(h.Get(), chunk.data(), n))
                return std::nullopt;
            sum.Add(chunk.data(), n);
            nLeft -= n;
        }
    }
    unsigned char trailer[8];
    if (!ReadExactly(h.Get(), trailer, 8) || GetU64(trailer) != sum.Value())
        return std::nullopt;
    return snap;
}

} // namespace RecoveryFormat

std::wstring RecoveryFolder() {
    std::wstring strBase;
    DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (n > 1) {
        strBase.resize(n);
        strBase.resize(::GetEnvironmentVariableW(L"LOCALAPPDATA", strBase.data(), n));
    }
    if (strBase.empty()) {
        PWSTR pszPath = nullptr;
        if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &pszPath)) && pszPath)
            strBase = pszPath;
        ::CoTaskMemFree(pszPath);
    }
    if (strBase.empty())
        return {};
    if (strBase.back() != L'\\')
        strBase += L'\\';
    return strBase + L"Tessarin\\Recovery";
}

bool CreateRecoveryFolder(const std::wstring& strFolder) {
    if (strFolder.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    DWORD dwAttr = ::GetFileAttributesW(strFolder.c_str());
    if (dwAttr != INVALID_FILE_ATTRIBUTES) {
        if (dwAttr & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        ::SetLastError(ERROR_DIRECTORY); // a file stands where the folder should be
        return false;
    }
    // The parents first; the folder takes its owner's default permissions, which on Windows keep
    // the user's local application data to the user.
    size_t nSlash = strFolder.find_last_of(L'\\');
    if (nSlash != std::wstring::npos && nSlash > 2 && !CreateRecoveryFolder(strFolder.substr(0, nSlash)))
        return false;
    if (::CreateDirectoryW(strFolder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    return false;
}

RecoveryNames RecoveryFileNames(const std::wstring& strFolder, const std::wstring& strId) {
    std::wstring strBase = strFolder + L"\\" + strId;
    return {strBase + L".tsr", strBase + L".tmp", strBase + L".lock"};
}

std::wstring NewRecoveryInstanceId() {
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    wchar_t sz[40];
    swprintf(sz, 40, L"%08lX%08lX-%08lX", ft.dwHighDateTime, ft.dwLowDateTime, ::GetCurrentProcessId());
    return sz;
}

CFileHandle TakeRecoveryLock(const std::wstring& strLockFile) {
    return CFileHandle(::CreateFileW(strLockFile.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

std::vector<ClaimedSnapshot> ClaimOrphanSnapshots(const std::wstring& strFolder) {
    std::vector<ClaimedSnapshot> claimed;
    if (strFolder.empty())
        return claimed;
    std::vector<std::wstring> ids;
    WIN32_FIND_DATAW data{};
    {
        CFindHandle hFind(::FindFirstFileW((strFolder + L"\\*").c_str(), &data));
        if (!hFind)
            return claimed;
        do {
            std::wstring strName = data.cFileName;
            size_t nDot = strName.rfind(L'.');
            if (nDot == std::wstring::npos || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            std::wstring strExt = strName.substr(nDot);
            if (strExt == L".tsr" || strExt == L".tmp" || strExt == L".lock")
                ids.push_back(strName.substr(0, nDot));
        } while (::FindNextFileW(hFind.Get(), &data));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (const std::wstring& strId : ids) {
        RecoveryNames names = RecoveryFileNames(strFolder, strId);
        CFileHandle hLock = TakeRecoveryLock(names.strLock);
        if (!hLock)
            continue; // its instance runs, or another instance offers it right now
        // Killed in the middle of a write: the temporary file is torn, the snapshot before it whole.
        ::DeleteFileW(names.strTemp.c_str());
        uint64_t nChars = 0;
        std::optional<RecoverySnapshot> snap =
            FileExists(names.strSnapshot) ? RecoveryFormat::Read(names.strSnapshot, false, nChars) : std::nullopt;
        if (!snap)
            continue; // nothing whole to offer (a damaged file is left alone); the lock goes
        claimed.push_back({strId, names.strSnapshot, std::move(snap->state), nChars, std::move(hLock)});
    }
    std::sort(claimed.begin(), claimed.end(),
              [](const ClaimedSnapshot& a, const ClaimedSnapshot& b) { return a.state.nTakenAt > b.state.nTakenAt; });
    return claimed;
}
