#include "engine/TrafficLog.h"

#include "platform/Cp932.h"
#include "platform/DebugOutput.h"

#include <cstdio>

namespace
{

// Only the text part of a datagram is logged; a group part after the NUL is not.
QByteArrayView TextPart(QByteArrayView datagram)
{
    const qsizetype nul = datagram.indexOf('\0');
    return nul < 0 ? datagram : datagram.first(nul);
}

} // namespace

TrafficLog::TrafficLog(bool enabled, QString path, Clock clock, qint64 rotateBytes)
    : m_enabled(enabled), m_path(std::move(path)), m_clock(std::move(clock)),
      m_rotateBytes(rotateBytes)
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTime(); };
}

void TrafficLog::Write(QStringView label, QByteArrayView datagram) const
{
    if (!m_enabled || datagram.size() < 1 || datagram.size() > MaxLoggedBytes)
        return;

    DebugOutput(label);
    DebugOutput(EscapeLogText(Cp932::ToUnicode(TextPart(datagram))));

    AppendToRotatingLog(m_path, FormatLine(m_clock(), label, datagram), m_rotateBytes);
}

QByteArray TrafficLog::FormatLine(const QDateTime& time, QStringView label, QByteArrayView datagram)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d/ %02d:%02d:%02d.%03d ", date.year(),
                  date.month(), date.day(), clock.hour(), clock.minute(), clock.second(),
                  clock.msec());
    QByteArray line(stamp);
    line += label.toUtf8();
    line += ' ';
    line += EscapeLogText(Cp932::ToUnicode(TextPart(datagram))).toUtf8();
    line += '\n';
    return line;
}
