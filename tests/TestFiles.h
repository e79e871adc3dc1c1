#pragma once
// File helpers for tests: the committed test data (reached through Wine's Z: drive), a private
// temporary folder removed afterwards, and whole-file reads and writes.
#include <windows.h>
#include <string>
#include <vector>

// The path of a file under tests/data, as a Windows path.
std::wstring TestDataPath(const std::wstring& relative);

// A Unix path as Wine's Z: drive shows it.
std::wstring WindowsPathOfUnix(const std::string& unixPath);

// The folder of the small file system that scripts/test mounts when it runs as root
// (TESSARIN_SMALL_FS), as a Windows path; empty when there is none.
std::wstring SmallFileSystemFolder();
// Writes `filler` in `folder` so that only about `nLeaveBytes` stay free on its file system.
void FillDiskLeaving(const std::wstring& folder, const std::wstring& filler, unsigned long long nLeaveBytes);

std::vector<unsigned char> ReadAllBytes(const std::wstring& path);
// The file's bytes, or nothing while it cannot be read (a save may be swapping it in).
std::vector<unsigned char> TryReadAllBytes(const std::wstring& path);
void WriteAllBytes(const std::wstring& path, const void* data, size_t size);
inline void WriteAllBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    WriteAllBytes(path, bytes.data(), bytes.size());
}

// A fresh folder under the temporary folder, removed with its files when the object goes.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::wstring& Path() const { return m_strPath; }
    std::wstring File(const std::wstring& name) const { return m_strPath + L"\\" + name; }
    // Names of the files the folder holds now.
    std::vector<std::wstring> List() const;

private:
    std::wstring m_strPath;
};
