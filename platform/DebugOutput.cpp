#include "DebugOutput.h"

#include "Cp932.h"

Q_LOGGING_CATEGORY(lcDebugOutput, "palavo.debug", QtWarningMsg)

void DebugOutput(QStringView text)
{
    qCDebug(lcDebugOutput).noquote() << text;
}

void DebugOutputCp932(QByteArrayView bytes)
{
    // Converting costs time on every datagram; do it only when someone listens.
    if (lcDebugOutput().isDebugEnabled())
        DebugOutput(Cp932::ToUnicode(bytes));
}
