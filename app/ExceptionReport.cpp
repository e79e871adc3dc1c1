// The program's reporter for exceptions that escape a message handler.
#include "app/ExceptionReport.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "framework/Wnd.h"
#include "res/resource.h"
#include <new>

std::wstring EscapedExceptionText(std::exception_ptr pException) {
    std::wstring strText;
    try {
        if (pException)
            std::rethrow_exception(pException);
    } catch (const CMemoryException&) {
        strText = LoadStringResource(IDS_OUT_OF_MEMORY);
    } catch (const CException& e) {
        strText = e.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        strText = LoadStringResource(IDS_OUT_OF_MEMORY);
    } catch (...) {
    }
    if (strText.empty())
        strText = LoadStringResource(IDS_UNEXPECTED_ERROR);
    return strText;
}

void ReportEscapedException(std::exception_ptr pException) {
    static bool s_bShowing = false;
    if (s_bShowing)
        return;
    s_bShowing = true;
    try {
        AfxMessageBox(EscapedExceptionText(pException), MB_OK | MB_ICONEXCLAMATION);
    } catch (...) {
        // Building the text can run out of memory too; the framework goes on either way.
    }
    s_bShowing = false;
}

void InstallExceptionReporter() {
    CWnd::s_pfnReportException = ReportEscapedException;
}
