#pragma once
// String-table access and the framework's "%1" message formatting.
#include <windows.h>
#include <string>

// The string with this id from the program's string table; empty when there is none.
std::wstring LoadStringResource(UINT nID);

// Replaces every "%1" in the format with the argument (the framework's message convention).
std::wstring FormatString1(const std::wstring& strFormat, const std::wstring& strArg);
