// Saves one file through WriteFileSafely over and over, each time with the other of two versions,
// until it is killed; with --once it saves one version and exits. The test that kills it at
// random moments checks that the file is always one whole version.
#include <windows.h>
#include <string>
#include "SaveLoopContent.h"
#include "doc/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {
ULONGLONG SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring path = argv[1];
    const bool bOnce = argc > 2 && std::wstring(argv[2]) == L"--once";
    const std::vector<unsigned char> a = SaveLoopContent('A', kSaveLoopBytesA);
    const std::vector<unsigned char> b = SaveLoopContent('B', kSaveLoopBytesB);
    do {
        const std::vector<unsigned char>& next = SizeOf(path) == a.size() ? b : a;
        try {
            WriteFileSafely(path, [&](CFile& file) { file.Write(next.data(), next.size()); });
        } catch (const CException&) {
            return 1;
        }
    } while (!bOnce);
    return 0;
}
