#pragma once
// CComPtr: holds one reference to a COM object and releases it once; movable, copyable by AddRef.
#include <unknwn.h>
#include <utility>

template <typename T> class CComPtr {
public:
    CComPtr() = default;
    // Adopts a reference the caller already holds (a new object, or an out-parameter's result).
    static CComPtr Adopt(T* p) {
        CComPtr ptr;
        ptr.m_p = p;
        return ptr;
    }
    // Takes a reference of its own.
    explicit CComPtr(T* p) : m_p(p) {
        if (m_p)
            m_p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CComPtr& operator=(CComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CComPtr() { Release(); }

    void Release() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** Receive() {
        Release();
        return &m_p;
    }

private:
    T* m_p = nullptr;
};
