#pragma once
// String-table access and the one formatter of the program's message texts.
#include <windows.h>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// The string with this id from the program's string table; empty when there is none.
std::wstring LoadStringResource(UINT nID);

// Fills a message text with already formatted arguments. Two conventions meet in the string
// table: the framework's "%1" ... "%9" take that argument (as often as they appear), and the
// printf-style directives ("%s", "%d", "%04X": digits, then s, d or X) take the next argument in
// order; "%%" is a percent sign. A directive without an argument stays as written.
std::wstring FormatText(std::wstring_view strFormat, std::initializer_list<std::wstring_view> args);
// The same with string nID as the text.
std::wstring FormatString(UINT nID, std::initializer_list<std::wstring_view> args);

// Field nField (from 0) of a document string, whose fields "\n" separates ("title\ndoc\nnew\n
// filter name\nfilter ext\n..."); empty when the string has no such field.
std::wstring DocStringField(std::wstring_view strDocString, int nField);

// A file dialog's filter list from (name, pattern) pairs: "name\0pattern\0" for each, and the
// string's own terminator ends the list (lpstrFilter).
std::wstring MakeFileFilter(std::initializer_list<std::pair<std::wstring_view, std::wstring_view>> entries);
