#include "ErrorInfo.h"

#include <utility>

namespace
{
thread_local ErrorInfo t_errorInfo;
}

void SetErrorInfo(ErrorInfo info)
{
    t_errorInfo = std::move(info);
}

ErrorInfo TakeErrorInfo()
{
    return std::exchange(t_errorInfo, ErrorInfo{});
}

HRESULT ReportError(const QString& source, const QString& description)
{
    SetErrorInfo({source, description});
    return DISP_E_EXCEPTION;
}
