// Times DecodeFileText (with detection) and EncodeTextToFile (back to the detected pair) for each
// file named on the command line; prints one line per file: name, bytes, best decode and encode
// seconds of the given number of rounds, and the peak working set.
#include <windows.h>
#include <psapi.h>
#include <chrono>
#include <cstdio>
#include <string>
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int rounds = 3;
    int first = 1;
    if (argc > 2 && std::wstring(argv[1]) == L"--rounds") {
        rounds = _wtoi(argv[2]);
        first = 3;
    }
    for (int i = first; i < argc; ++i) {
        std::wstring path = argv[i];
        double bestDecode = 1e9, bestEncode = 1e9;
        ULONGLONG bytes = 0;
        try {
            for (int r = 0; r < rounds; ++r) {
                CFile in(path, CFile::modeRead | CFile::shareDenyWrite);
                bytes = in.GetLength();
                EncodingId enc = EncodingId::Unspecified;
                LineEndingId le = LineEndingId::Unspecified;
                auto t0 = std::chrono::steady_clock::now();
                CLocalBlock text(DecodeFileText(in, enc, le));
                bestDecode = std::min(bestDecode, Seconds(t0));

                size_t units = ::LocalSize(text.Get()) / 2 - 1;
                CLocalLock lock(text.Get());
                std::wstring outPath = path + L".out";
                auto t1 = std::chrono::steady_clock::now();
                {
                    CFile out(outPath, CFile::modeWrite | CFile::modeCreate);
                    EncodeTextToFile(lock.As<wchar_t>(), units, enc, le, out);
                }
                bestEncode = std::min(bestEncode, Seconds(t1));
                ::DeleteFileW(outPath.c_str());
            }
        } catch (const CException& e) {
            fwprintf(stderr, L"%ls: failed: %ls\n", path.c_str(), e.GetErrorMessage().c_str());
            return 1;
        }
        PROCESS_MEMORY_COUNTERS pmc{};
        ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
        wprintf(L"%ls %llu %.3f %.3f %llu\n", path.c_str(), bytes, bestDecode, bestEncode,
                static_cast<unsigned long long>(pmc.PeakWorkingSetSize));
    }
    return 0;
}
