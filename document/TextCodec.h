#pragma once
// Reading a file's bytes into editor text (UTF-16, CR LF breaks) with its encoding and line ending
// recognised, and writing editor text back in a chosen encoding and line ending.
#include <windows.h>
#include <string>
#include "document/Encoding.h"
#include "framework/Handles.h"

class CFile;

// Files this large or larger are refused: the editor's lengths are 32-bit.
constexpr ULONGLONG kMaxFileLength = 0x7FFFFFFFull;

// The memory that opening the file whose bytes these are will take beyond the bytes themselves:
// its text as UTF-16, and what the edit control takes to lay out its lines (much more, a
// character, for very long lines).
ULONGLONG EstimateTextMemory(const void* pBytes, size_t nLength);

// The memory still available for a file's text (GlobalMemoryStatusEx's available physical
// memory). Tests put a function of their own in its place to make the refusal deterministic;
// SetAvailableMemoryFunction returns the one it replaces, and null puts the system's back.
using AvailableMemoryFunction = ULONGLONG (*)();
AvailableMemoryFunction SetAvailableMemoryFunction(AvailableMemoryFunction pfn);

// The converter both directions go through (ConvertBuffer). Tests put one of their own in its
// place to make the converter give up; SetConvertFunction returns the one it replaces, and null
// puts ConvertBuffer back.
using ConvertFunction = bool (*)(void* pOut, size_t nCapacity, size_t* pnProduced, const void* pIn, size_t nInLength);
ConvertFunction SetConvertFunction(ConvertFunction pfn);

// The converter options for reading with this requested encoding, and for writing.
std::string DecodeOptions(EncodingId requested);
std::string EncodeOptions(EncodingId encoding, LineEndingId lineEnding);

// Reads the whole file and converts it in two passes (measure, then convert into a block of the
// exact size). Returns the unlocked movable local block holding the text and a terminating zero.
// On entry `encoding` is the requested encoding (1-12 force it, anything else asks for detection);
// on return both parameters describe what was found. Throws CMemoryException, CConversionException
// (the converter gave up), CArchiveException (short read) or CFileException (too large, read
// error), leaving both parameters unchanged.
CLocalBlock DecodeFileText(CFile& file, EncodingId& encoding, LineEndingId& lineEnding);

// The two halves of DecodeFileText, for callers that keep the file's bytes (the document compares
// them with what a save would write). ReadFileBytes returns the unlocked, zero-filled movable block
// of the file's length + 2 bytes holding the whole file, and its length; it throws as
// DecodeFileText does, and also CFileException with the message IDS_FILE_NEEDS_TOO_MUCH_MEMORY
// when the text would not fit in the memory available (checked before reading from the length,
// and after reading from the lengths of the lines, before anything is converted). DecodeFileBytes converts nLength
// bytes as DecodeFileText does.
CLocalBlock ReadFileBytes(CFile& file, size_t& nLength);
CLocalBlock DecodeFileBytes(const void* pBytes, size_t nLength, EncodingId& encoding, LineEndingId& lineEnding);

// Converts nLength UTF-16 code units and writes the result to the file in one write. Throws
// CMemoryException or CConversionException before writing anything, or CFileException when the
// write fails.
void EncodeTextToFile(const wchar_t* pText, size_t nLength, EncodingId encoding, LineEndingId lineEnding, CFile& file);

// The EncodingId a detection code stands for; Unspecified when the code is not one of the table's.
EncodingId EncodingFromDetectionCode(int code);
