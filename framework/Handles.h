#pragma once
// Scoped owners for the kernel and memory handles the program holds: each closes or frees its
// handle once, is movable and not copyable, and gives the handle up with Detach().
#include <windows.h>
#include <utility>

// Owns a handle and releases it with Traits::Close; Traits::Invalid() is the empty value.
template <typename Traits> class CScopedHandle {
public:
    using handle_type = typename Traits::handle_type;
    CScopedHandle() = default;
    explicit CScopedHandle(handle_type h) : m_h(h) {}
    CScopedHandle(CScopedHandle&& other) noexcept : m_h(other.Detach()) {}
    CScopedHandle& operator=(CScopedHandle&& other) noexcept {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;
    ~CScopedHandle() { Close(); }

    handle_type Get() const { return m_h; }
    explicit operator bool() const { return m_h != Traits::Invalid(); }
    handle_type Detach() { return std::exchange(m_h, Traits::Invalid()); }
    void Attach(handle_type h) {
        Close();
        m_h = h;
    }
    void Close() {
        if (m_h != Traits::Invalid())
            Traits::Close(std::exchange(m_h, Traits::Invalid()));
    }

private:
    handle_type m_h = Traits::Invalid();
};

struct FileHandleTraits {
    using handle_type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct KernelHandleTraits { // events, processes, threads: null when empty
    using handle_type = HANDLE;
    static HANDLE Invalid() { return nullptr; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using handle_type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct LocalMemTraits {
    using handle_type = HLOCAL;
    static HLOCAL Invalid() { return nullptr; }
    static void Close(HLOCAL h) { ::LocalFree(h); }
};
struct RegKeyTraits {
    using handle_type = HKEY;
    static HKEY Invalid() { return nullptr; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};

using CFileHandle = CScopedHandle<FileHandleTraits>;
using CKernelHandle = CScopedHandle<KernelHandleTraits>;
using CFindHandle = CScopedHandle<FindHandleTraits>;
using CLocalBlock = CScopedHandle<LocalMemTraits>; // a LocalAlloc block, freed with LocalFree
using CRegKey = CScopedHandle<RegKeyTraits>;

// Keeps a movable local block locked for its lifetime.
class CLocalLock {
public:
    explicit CLocalLock(HLOCAL h) : m_h(h), m_p(h ? ::LocalLock(h) : nullptr) {}
    CLocalLock(const CLocalLock&) = delete;
    CLocalLock& operator=(const CLocalLock&) = delete;
    ~CLocalLock() {
        if (m_p)
            ::LocalUnlock(m_h);
    }
    void* Get() const { return m_p; }
    template <typename T> T* As() const { return static_cast<T*>(m_p); }

private:
    HLOCAL m_h;
    void* m_p;
};
