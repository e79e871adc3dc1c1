#pragma once
// A block of memory inside another process, for window messages whose parameters are pointers that
// the system does not carry across processes (common-control messages such as SB_GETTEXTW).
#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

class CRemoteMemory {
public:
    CRemoteMemory() = default;
    // Reserves and commits `bytes` read-write bytes in `hProcess` (which needs PROCESS_VM_OPERATION,
    // PROCESS_VM_READ and PROCESS_VM_WRITE); the block starts zeroed.
    CRemoteMemory(HANDLE hProcess, size_t bytes);
    CRemoteMemory(CRemoteMemory&& other) noexcept;
    CRemoteMemory& operator=(CRemoteMemory&& other) noexcept;
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;
    ~CRemoteMemory();

    explicit operator bool() const { return m_pRemote != nullptr; }
    // The block's address in the other process: only meaningful there.
    void* Get() const { return m_pRemote; }
    LPARAM AsLParam(size_t offset = 0) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(m_pRemote) + offset);
    }
    size_t Size() const { return m_nSize; }

    bool Write(const void* data, size_t bytes, size_t offset = 0) const;
    bool Read(void* data, size_t bytes, size_t offset = 0) const;
    std::vector<unsigned char> ReadBytes(size_t bytes, size_t offset = 0) const;
    // Reads `chars` UTF-16 units and cuts the result at the first zero.
    std::wstring ReadString(size_t chars, size_t offset = 0) const;
    void Free();

private:
    HANDLE m_hProcess = nullptr; // borrowed: the owner of the process handle outlives the block
    void* m_pRemote = nullptr;
    size_t m_nSize = 0;
};
