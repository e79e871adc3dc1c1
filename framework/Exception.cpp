// Texts and system-error mapping of the framework's exceptions.
#include "framework/Exception.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"

namespace {
constexpr UINT kFileErrorBase = AFX_IDP_FILE_NONE;                    // one text per CFileException::Cause
constexpr UINT kInvalidFormatMessage = AFX_IDP_FAILED_INVALID_FORMAT; // "unexpected file format": a short read
constexpr UINT kConversionFailedMessage = 62390;                      // the program's "conversion failed" text
} // namespace

std::wstring CArchiveException::GetErrorMessage() const {
    if (m_cause == endOfFile)
        return FormatString(kInvalidFormatMessage, {m_strFileName});
    return {};
}

std::wstring CConversionException::GetErrorMessage() const {
    return LoadStringResource(kConversionFailedMessage);
}

CFileException::Cause CFileException::OsErrorToCause(LONG lOsError) {
    switch (lOsError) {
    case NO_ERROR: return none;
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED: return accessDenied;
    case ERROR_INVALID_HANDLE: return invalidFile;
    case ERROR_CURRENT_DIRECTORY: return removeCurrentDir;
    case ERROR_CANNOT_MAKE: return directoryFull;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK: return badSeek;
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_GEN_FAILURE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return hardIO;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

void CFileException::ThrowOsError(LONG lOsError, const std::wstring& strFileName) {
    throw CFileException(OsErrorToCause(lOsError), lOsError, strFileName);
}

std::wstring CFileException::GetErrorMessage() const {
    UINT id = m_nMessageId ? m_nMessageId : kFileErrorBase + static_cast<UINT>(m_cause);
    return FormatString(id, {m_strFileName});
}
