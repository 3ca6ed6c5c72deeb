#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The two diagnostic logs ("Palavo_socket.log", "Palavo.log") hold text that came from
// the network. Both escape it and both keep their size bounded.

// A log file grows to this size; then it becomes "<name>.1" (replacing the one before)
// and a new file is begun, so at most twice this much is kept.
inline constexpr qint64 LogRotateBytes = 10 * 1024 * 1024;

// Every character that could end a line or make a line look like another one (line
// breaks, other control characters, bidirectional overrides) is written as an escape:
// "\n", "\r", "\t", "\\", "\xHH", "\uHHHH". A peer's text can then never start a line of
// its own.
QString EscapeLogText(QStringView text);

// Appends `line` to the file at `path`, first moving a file that the line would take
// past `limit` bytes aside to `path` + ".1". Failures lose the line silently.
void AppendToRotatingLog(const QString& path, QByteArrayView line, qint64 limit = LogRotateBytes);
