#pragma once
// A system library loaded when one of its functions is first wanted. Every library the program
// imports is loaded and mapped at start-up whether it is ever used; the help viewer and the
// accessibility libraries are wanted only when the user asks for help or a screen reader asks for
// the text, so they are loaded then. A library once loaded stays for the process's lifetime, as an
// imported one does: objects a screen reader holds may still call into it while the process ends.
#include <windows.h>

class CLateBoundLibrary {
public:
    explicit CLateBoundLibrary(const wchar_t* pszName) : m_hModule(::LoadLibraryW(pszName)) {}
    CLateBoundLibrary(const CLateBoundLibrary&) = delete;
    CLateBoundLibrary& operator=(const CLateBoundLibrary&) = delete;

    // The function, or null when the library or the function is missing.
    template <class Fn> Fn Function(const char* pszName) const {
        return m_hModule ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_hModule, pszName)))
                         : nullptr;
    }

private:
    HMODULE m_hModule;
};
