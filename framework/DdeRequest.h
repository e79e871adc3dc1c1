#pragma once
// Reading a DDE execute request ("[open("a.txt")]") out of the block another program sent: bounded
// by the block's size, in either text form, and accepted only when every command in it is one the
// program knows. Plain code over bytes (no window, no Windows header), so it is fuzzed natively.
#include <cstddef>
#include <string>
#include <vector>

// Turns the bytes of a request written in a byte code page into UTF-16 units; false when they are
// not valid text in that code page. The frame passes the system's ANSI code page.
using DdeBytesToText = bool (*)(const unsigned char* pBytes, size_t nBytes, std::wstring& text);

// Reads the request held in the first nSize bytes at pData and gives the file names of its open
// commands, in order. The request is text in one of two forms, told apart by its first character,
// which in every known command is "[" or a blank: UTF-16 little-endian (the form a Unicode window
// sends; its first unit has a zero high byte) or bytes of the system code page (an ANSI window's).
// The text ends at its first zero unit (byte) within nSize bytes; a block without one is refused.
//
// A request is one or more commands "[open("name")]", with blanks (space, tab, CR, LF) allowed
// around them; the word "open" in any case; the name in double quotes, or without quotes up to the
// first ")]". Returns false, with no names, for anything else: a text without a known command, a
// command the program does not know, a missing bracket or quote, text after a command, an empty
// name or one holding a control character. One faulty command refuses the whole request, so a
// malformed request never opens anything.
bool ParseDdeOpenRequest(const void* pData, size_t nSize, DdeBytesToText pfnBytesToText,
                         std::vector<std::wstring>& names);
