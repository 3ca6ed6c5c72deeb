#include "TraceLog.h"

#include "client/INIData.h"

#include <QFile>

namespace
{
QString g_path;
int32_t g_debug = 0;
// Each received message writes a few lines, so a member's flood would fill the disk:
// past this size the log starts afresh beside one older file, "Palavo.log.1".
constexpr qint64 TraceLogLimit = 4 * 1024 * 1024;
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
    return when.toString(QStringLiteral("yyyy M/d H:mm:ss ")) + text;
}

void TraceLog(const QString& text)
{
    if (g_debug != 1)
        return;
    // Tracing before the control has fixed the path still lands in the settings directory.
    if (g_path.isEmpty())
        InitTraceLogPath();
    QFile file(g_path);
    if (file.size() >= TraceLogLimit) {
        const QString older = g_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(g_path, older);
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(
        (FormatTraceLine(QDateTime::currentDateTime(), text) + QStringLiteral("\r\n")).toUtf8());
}
