#pragma once
// CScopeExit: runs a function when the scope ends, however it ends (return or exception). For
// undoing a change of state (a flag, a count, a lock); handles have their own owners (Handles.h).
#include <utility>

template <typename F> class CScopeExit {
public:
    explicit CScopeExit(F fn) : m_fn(std::move(fn)) {}
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;
    ~CScopeExit() { m_fn(); }

private:
    F m_fn;
};
