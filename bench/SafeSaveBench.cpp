// Times WriteFileSafely for a file that does not exist yet and for one that it replaces, which is
// what every Save of an open file does: SafeSaveBench.exe PATH [SIZE_MB] [ROUNDS].
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#include "document/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        fwprintf(stderr, L"usage: SafeSaveBench PATH [SIZE_MB] [ROUNDS]\n");
        return 2;
    }
    const std::wstring path = argv[1];
    const size_t mb = argc > 2 ? static_cast<size_t>(_wtoi(argv[2])) : 100;
    const int rounds = argc > 3 ? _wtoi(argv[3]) : 3;
    const std::vector<unsigned char> bytes(mb << 20, 'x');
    auto save = [&] {
        auto t0 = std::chrono::steady_clock::now();
        WriteFileSafely(path, [&](CFile& file) { file.Write(bytes.data(), bytes.size()); });
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    double bestNew = 1e9, bestReplace = 1e9;
    try {
        for (int r = 0; r < rounds; ++r) {
            ::DeleteFileW(path.c_str());
            bestNew = std::min(bestNew, save());
            bestReplace = std::min(bestReplace, save());
        }
    } catch (const CException&) {
        fwprintf(stderr, L"%ls: save failed\n", path.c_str());
        ::DeleteFileW(path.c_str());
        return 1;
    }
    ::DeleteFileW(path.c_str());
    wprintf(L"%zu MB: new file %.3f s, replacing the file %.3f s (best of %d)\n", mb, bestNew, bestReplace, rounds);
    return 0;
}
