#pragma once

#include "platform/LogFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include <functional>

// The traffic log of the UDP socket: one line per datagram sent or received, written
// only while the debug switch is on. The file is UTF-8; the datagrams are CP932. A
// datagram's text is escaped (a peer's line break would otherwise forge a line of its
// own), and the file rotates at `rotateBytes` into "Palavo_socket.log.1".
class TrafficLog
{
public:
    using Clock = std::function<QDateTime()>;

    // Datagrams outside 1..10000 bytes are not logged (a long private message would
    // flood the file).
    static constexpr qsizetype MaxLoggedBytes = 10000;

    // Without a clock the local time is used.
    TrafficLog(bool enabled, QString path, Clock clock = {}, qint64 rotateBytes = LogRotateBytes);

    bool Enabled() const { return m_enabled; }
    const QString& Path() const { return m_path; }

    // Appends one line for a datagram; the file is opened and closed for every line so
    // that it can be read or removed while the program runs. A file that cannot be
    // opened loses the line silently.
    void Write(QStringView label, QByteArrayView datagram) const;

    // "2024/01/05/ 03:04:05.007 " + label + " " + the text before the first NUL,
    // escaped (EscapeLogText), + "\n".
    static QByteArray FormatLine(const QDateTime& time, QStringView label, QByteArrayView datagram);

private:
    bool m_enabled;
    QString m_path;
    Clock m_clock;
    qint64 m_rotateBytes;
};
