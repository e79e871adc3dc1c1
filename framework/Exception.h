#pragma once
// The framework's exceptions for memory, archive and file failures. They are thrown by value and
// caught by reference; each can describe itself in the user's language from the string table.
#include <windows.h>
#include <string>

class CException {
public:
    virtual ~CException() = default;
    // The text to show the user; empty when the exception has no text of its own (the caller
    // then shows its default message).
    virtual std::wstring GetErrorMessage() const { return {}; }
};

class CMemoryException : public CException {};

// The converter gave up on a text (it did not run to the end, or produced other than it measured).
class CConversionException : public CException {
public:
    std::wstring GetErrorMessage() const override;
};

class CArchiveException : public CException {
public:
    enum Cause { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(Cause cause = none, std::wstring strFileName = {})
        : m_cause(cause), m_strFileName(std::move(strFileName)) {}
    std::wstring GetErrorMessage() const override;

    Cause m_cause;
    std::wstring m_strFileName;
};

class CFileException : public CException {
public:
    // The order gives the message ids: the text for a cause is string 61856 + cause.
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };
    explicit CFileException(Cause cause = none, LONG lOsError = -1, std::wstring strFileName = {})
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(std::move(strFileName)) {}

    static Cause OsErrorToCause(LONG lOsError);
    // Throws the exception that matches a system error code, for the named file.
    [[noreturn]] static void ThrowOsError(LONG lOsError, const std::wstring& strFileName = {});
    std::wstring GetErrorMessage() const override;

    Cause m_cause;
    LONG m_lOsError;
    std::wstring m_strFileName;
    UINT m_nMessageId = 0; // a text of the program's own in place of the cause's, when set
};
