// Saves one file through WriteFileSafely over and over, each time with the other of two versions,
// until it is killed; with --once it saves one version and exits; with --ready=NAME it sets that
// event when it starts saving. The test that kills it at random moments checks that the file is
// always one whole version.
#include <windows.h>
#include <string>
#include "SaveLoopContent.h"
#include "document/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

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
    bool bOnce = false;
    std::wstring ready; // an event to set once the saving starts
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--once")
            bOnce = true;
        else if (arg.rfind(L"--ready=", 0) == 0)
            ready = arg.substr(8);
    }
    const std::vector<unsigned char> a = SaveLoopContent('A', kSaveLoopBytesA);
    const std::vector<unsigned char> b = SaveLoopContent('B', kSaveLoopBytesB);
    if (!ready.empty()) {
        CKernelHandle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, ready.c_str()));
        if (event)
            ::SetEvent(event.Get());
    }
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
