// File helpers for tests.
#include "TestFiles.h"
#include "framework/Handles.h"
#include <cstdlib>
#include <stdexcept>

std::wstring WindowsPathOfUnix(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

std::wstring SmallFileSystemFolder() {
    const char* smallFs = std::getenv("TESSARIN_SMALL_FS");
    return smallFs && *smallFs ? WindowsPathOfUnix(smallFs) : std::wstring();
}

void FillDiskLeaving(const std::wstring& folder, const std::wstring& filler, unsigned long long nLeaveBytes) {
    ULARGE_INTEGER freeBytes{};
    if (!::GetDiskFreeSpaceExW((folder + L"\\").c_str(), &freeBytes, nullptr, nullptr))
        throw std::runtime_error("cannot read the free space");
    size_t fill = freeBytes.QuadPart > nLeaveBytes ? static_cast<size_t>(freeBytes.QuadPart - nLeaveBytes) : 0;
    WriteAllBytes(filler, std::vector<unsigned char>(fill, 'f'));
}

std::wstring TestDataPath(const std::wstring& relative) {
    std::wstring path = WindowsPathOfUnix(TESSARIN_TEST_DATA);
    path += L'\\';
    for (wchar_t c : relative)
        path += c == L'/' ? L'\\' : c;
    return path;
}

std::vector<unsigned char> ReadAllBytes(const std::wstring& path) {
    CFileHandle h(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h)
        throw std::runtime_error("cannot open test file");
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h.Get(), &size);
    std::vector<unsigned char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    BOOL ok = bytes.empty() || ::ReadFile(h.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    if (!ok || got != bytes.size())
        throw std::runtime_error("cannot read test file");
    return bytes;
}

std::vector<unsigned char> TryReadAllBytes(const std::wstring& path) {
    try {
        return ReadAllBytes(path);
    } catch (...) {
        return {};
    }
}

void WriteAllBytes(const std::wstring& path, const void* data, size_t size) {
    CFileHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!h)
        throw std::runtime_error("cannot create test file");
    DWORD put = 0;
    BOOL ok = size == 0 || ::WriteFile(h.Get(), data, static_cast<DWORD>(size), &put, nullptr);
    if (!ok || put != size)
        throw std::runtime_error("cannot write test file");
}

CTempDir::CTempDir() {
    static LONG s_counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    // Wine's process ids repeat after a fresh wineserver, and a folder left by a test that was
    // killed (or that held what Windows calls cannot delete, such as a dangling Unix link) must
    // not be taken over: only a folder made here and now is used.
    do {
        m_strPath = std::wstring(temp) + L"tessarin-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(::InterlockedIncrement(&s_counter));
    } while (!::CreateDirectoryW(m_strPath.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

CTempDir::~CTempDir() {
    for (const std::wstring& name : List()) {
        std::wstring file = File(name);
        ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(file.c_str());
    }
    ::RemoveDirectoryW(m_strPath.c_str());
}

std::vector<std::wstring> CTempDir::List() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    CFindHandle h(::FindFirstFileW((m_strPath + L"\\*").c_str(), &fd));
    if (!h)
        return names;
    do {
        std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (::FindNextFileW(h.Get(), &fd));
    return names;
}
