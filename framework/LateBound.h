#pragma once
// A system library loaded when one of its functions is first wanted. Every library the program
// imports is loaded and mapped at start-up whether it is ever used; the help viewer and the
// accessibility libraries are wanted only when the user asks for help or a screen reader asks for
// the text, so they are loaded then. A library once loaded stays for the process's lifetime, as an
// imported one does: objects a screen reader holds may still call into it while the process ends.
#include <windows.h>

// The module's function of that name as the pointer type Fn, or null when the module is null or
// has no such function (a newer system's function looked up at run time).
template <class Fn> Fn ModuleFunction(HMODULE hModule, const char* pszName) {
    return hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName))) : nullptr;
}

class CLateBoundLibrary {
public:
    explicit CLateBoundLibrary(const wchar_t* pszName) : m_hModule(::LoadLibraryW(pszName)) {}
    CLateBoundLibrary(const CLateBoundLibrary&) = delete;
    CLateBoundLibrary& operator=(const CLateBoundLibrary&) = delete;

    // The function, or null when the library or the function is missing.
    template <class Fn> Fn Function(const char* pszName) const { return ModuleFunction<Fn>(m_hModule, pszName); }

private:
    HMODULE m_hModule;
};
