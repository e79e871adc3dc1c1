#pragma once
// What the user is told when an exception escapes a message handler: the framework catches it at
// the window procedure (no exception may unwind through the system's dispatch) and hands it here.
#include <exception>
#include <string>

// The text for the exception: a framework exception's own message, the out-of-memory text for
// CMemoryException and std::bad_alloc, and a generic text for anything else.
std::wstring EscapedExceptionText(std::exception_ptr pException);

// Shows EscapedExceptionText in a message box. A report raised while another is on screen (a
// paint handler that throws again under the box) is dropped, so boxes never pile up.
void ReportEscapedException(std::exception_ptr pException);

// Makes ReportEscapedException the framework's reporter for exceptions that escape a handler.
void InstallExceptionReporter();
