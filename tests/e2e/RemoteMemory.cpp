// Memory blocks in another process: VirtualAllocEx on creation, VirtualFreeEx on destruction.
#include "RemoteMemory.h"
#include <utility>

CRemoteMemory::CRemoteMemory(HANDLE hProcess, size_t bytes) : m_hProcess(hProcess), m_nSize(bytes) {
    m_pRemote = ::VirtualAllocEx(hProcess, nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!m_pRemote)
        m_nSize = 0;
}

CRemoteMemory::CRemoteMemory(CRemoteMemory&& other) noexcept
    : m_hProcess(other.m_hProcess), m_pRemote(std::exchange(other.m_pRemote, nullptr)),
      m_nSize(std::exchange(other.m_nSize, 0)) {}

CRemoteMemory& CRemoteMemory::operator=(CRemoteMemory&& other) noexcept {
    if (this != &other) {
        Free();
        m_hProcess = other.m_hProcess;
        m_pRemote = std::exchange(other.m_pRemote, nullptr);
        m_nSize = std::exchange(other.m_nSize, 0);
    }
    return *this;
}

CRemoteMemory::~CRemoteMemory() {
    Free();
}

void CRemoteMemory::Free() {
    // Freeing in a process that has already ended fails harmlessly: its address space is gone.
    if (m_pRemote)
        ::VirtualFreeEx(m_hProcess, std::exchange(m_pRemote, nullptr), 0, MEM_RELEASE);
    m_nSize = 0;
}

bool CRemoteMemory::Write(const void* data, size_t bytes, size_t offset) const {
    if (!m_pRemote || offset + bytes > m_nSize)
        return false;
    SIZE_T done = 0;
    return ::WriteProcessMemory(m_hProcess, static_cast<char*>(m_pRemote) + offset, data, bytes, &done) &&
           done == bytes;
}

bool CRemoteMemory::Read(void* data, size_t bytes, size_t offset) const {
    if (!m_pRemote || offset + bytes > m_nSize)
        return false;
    SIZE_T done = 0;
    return ::ReadProcessMemory(m_hProcess, static_cast<char*>(m_pRemote) + offset, data, bytes, &done) && done == bytes;
}

std::vector<unsigned char> CRemoteMemory::ReadBytes(size_t bytes, size_t offset) const {
    std::vector<unsigned char> out(bytes);
    if (!Read(out.data(), bytes, offset))
        out.clear();
    return out;
}

std::wstring CRemoteMemory::ReadString(size_t chars, size_t offset) const {
    std::wstring text(chars, L'\0');
    if (chars == 0 || !Read(text.data(), chars * sizeof(wchar_t), offset))
        return std::wstring();
    text.resize(text.find(L'\0') == std::wstring::npos ? chars : text.find(L'\0'));
    return text;
}
