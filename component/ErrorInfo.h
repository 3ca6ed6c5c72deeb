#pragma once

#include "AutomationTypes.h"

#include <QString>

// The error information that a failing component member leaves for its caller, as
// automation error information did: set by the member, read (and cleared) by the
// caller on the same thread.
struct ErrorInfo {
    QString Source;
    QString Description;
};

void SetErrorInfo(ErrorInfo info);
// Takes the error information, leaving none behind; empty when none was set.
ErrorInfo TakeErrorInfo();

// Sets the error information with the component as its source and returns
// DISP_E_EXCEPTION, for `return ReportError(...)` in the members.
HRESULT ReportError(const QString& source, const QString& description);
