// Native stand-ins for the Windows calls and framework pieces that the decoding and encoding code
// links against. The harness converts bytes in memory only: the file calls are never reached.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "framework/Exception.h"
#include "framework/Progress.h"
#include "framework/File.h"
#include "framework/Strings.h"

struct LocalBlockHeader {
    SIZE_T size;
    int locks;
    BYTE* data;
};

// The harness reads only what it holds in memory already: no file is ever too large for it.
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX*) {
    return 0;
}

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    auto* h = static_cast<LocalBlockHeader*>(std::malloc(sizeof(LocalBlockHeader)));
    if (!h)
        return nullptr;
    // The bytes are a separate allocation of exactly the size asked for, so a write past the end
    // lands in AddressSanitizer's red zone. malloc(0) may return null: ask for one byte then.
    h->data = static_cast<BYTE*>(std::malloc(uBytes ? uBytes : 1));
    if (!h->data) {
        std::free(h);
        return nullptr;
    }
    if (uFlags & LMEM_ZEROINIT)
        std::memset(h->data, 0, uBytes);
    h->size = uBytes;
    h->locks = 0;
    return h;
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (hMem) {
        if (hMem->locks != 0) {
            std::fprintf(stderr, "LocalFree of a block still locked %d time(s)\n", hMem->locks);
            std::abort();
        }
        std::free(hMem->data);
        std::free(hMem);
    }
    return nullptr;
}

void* LocalLock(HLOCAL hMem) {
    if (!hMem)
        return nullptr;
    ++hMem->locks;
    return hMem->data;
}

BOOL LocalUnlock(HLOCAL hMem) {
    if (!hMem || hMem->locks <= 0) {
        std::fprintf(stderr, "LocalUnlock of a block that is not locked\n");
        std::abort();
    }
    return --hMem->locks > 0;
}

SIZE_T LocalSize(HLOCAL hMem) {
    return hMem ? hMem->size : 0;
}

// Reallocates to exactly the size asked for (a new separate allocation, so the red zone follows
// the new end); a locked block is not moved, as with a real movable block.
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT) {
    if (!hMem || hMem->locks != 0)
        return nullptr;
    BYTE* data = static_cast<BYTE*>(std::malloc(uBytes ? uBytes : 1));
    if (!data)
        return nullptr;
    std::memcpy(data, hMem->data, uBytes < hMem->size ? uBytes : hMem->size);
    std::free(hMem->data);
    hMem->data = data;
    hMem->size = uBytes;
    return hMem;
}

[[noreturn]] static void Unreachable(const char* what) {
    std::fprintf(stderr, "fuzz harness: %s is not available natively\n", what);
    std::abort();
}

BOOL CloseHandle(HANDLE) {
    Unreachable("CloseHandle");
}
BOOL FindClose(HANDLE) {
    Unreachable("FindClose");
}
LONG RegCloseKey(HKEY) {
    Unreachable("RegCloseKey");
}

std::wstring LoadStringResource(UINT) {
    return {};
}

std::wstring CArchiveException::GetErrorMessage() const {
    return {};
}
std::wstring CFileException::GetErrorMessage() const {
    return {};
}
std::wstring CConversionException::GetErrorMessage() const {
    return {};
}

ULONGLONG CFile::GetLength() const {
    Unreachable("CFile::GetLength");
}
size_t CFile::Read(void*, size_t) {
    Unreachable("CFile::Read");
}
void CFile::Write(const void*, size_t) {
    Unreachable("CFile::Write");
}

// The harness converts without a status bar: no progress is ever asked for.
void CProgress::Step(UINT, ULONGLONG, ULONGLONG) {
    Unreachable("CProgress::Step");
}
