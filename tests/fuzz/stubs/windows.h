#pragma once
// A stand-in for <windows.h> so the decoding and encoding code builds natively for the fuzz
// harness, under the host compiler's sanitizers: the few types and calls that code and the
// framework headers it includes use. Local blocks are heap blocks of exactly the size asked for,
// so AddressSanitizer sees a write past the end of a converted text.
#include <cstddef>
#include <cstdint>

using BYTE = unsigned char;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONGLONG = std::uint64_t;
using SIZE_T = std::size_t;
using BOOL = int;
using HANDLE = void*;
using HKEY = struct HKEY__*;

struct LocalBlockHeader;
using HLOCAL = LocalBlockHeader*;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_NOT_ENOUGH_MEMORY 8L

struct MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    ULONGLONG ullTotalPhys;
    ULONGLONG ullAvailPhys;
    ULONGLONG ullTotalPageFile;
    ULONGLONG ullAvailPageFile;
    ULONGLONG ullTotalVirtual;
    ULONGLONG ullAvailVirtual;
    ULONGLONG ullAvailExtendedVirtual;
};
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* pStatus);

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL LocalFree(HLOCAL hMem);
void* LocalLock(HLOCAL hMem);
BOOL LocalUnlock(HLOCAL hMem);
SIZE_T LocalSize(HLOCAL hMem);
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);

// Declared for the framework's handle owners; the harness never holds such handles.
BOOL CloseHandle(HANDLE hObject);
BOOL FindClose(HANDLE hFindFile);
LONG RegCloseKey(HKEY hKey);
