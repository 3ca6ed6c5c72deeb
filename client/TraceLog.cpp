#include "TraceLog.h"

#include "client/INIData.h"
#include "platform/LogFile.h"

namespace
{
QString g_path;
int32_t g_debug = 0;
} // namespace

void SetTraceLogDebug(int32_t debug)
{
    g_debug = debug;
}

void InitTraceLogPath()
{
    g_path = INIData::IniFilePath(QStringLiteral("Palavo.log"));
}

QString TraceLogPath()
{
    return g_path;
}

QString FormatTraceLine(const QDateTime& when, const QString& text)
{
    // Year, month and day without leading zeros, a 24-hour clock without a leading zero.
    // The text may hold what a peer sent (an address, a call's status text): escaped, it
    // cannot start a line of its own.
    return when.toString(QStringLiteral("yyyy M/d H:mm:ss ")) + EscapeLogText(text);
}

void TraceLog(const QString& text)
{
    if (g_debug != 1)
        return;
    // Tracing before the control has fixed the path still lands in the settings directory.
    if (g_path.isEmpty())
        InitTraceLogPath();
    AppendToRotatingLog(
        g_path,
        (FormatTraceLine(QDateTime::currentDateTime(), text) + QStringLiteral("\r\n")).toUtf8());
}
