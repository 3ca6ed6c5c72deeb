#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// The chat control's diagnostic trace "Palavo.log", written only while "debug" in
// section "OPTION" equals 1. Each line is the local time as "yyyy m/d h:mm:ss " followed
// by the text and CR LF. Write failures are ignored. Past 4 MiB the file is renamed to
// "Palavo.log.1" (replacing the older one) and a new one begins.

// Fixes the file's path (the settings directory); the session calls it once at start.
void InitTraceLogPath();
// The "debug" switch as the settings were last read: lines are written only while it
// is 1. The log is one file of the process, like its standard error, so the switch is
// the process's too; it starts off.
void SetTraceLogDebug(int32_t debug);
// The path TraceLog appends to; empty until InitTraceLogPath has run (a trace written
// before that fixes the path itself).
QString TraceLogPath();
void TraceLog(const QString& text);

// One line of the log, without the line break.
QString FormatTraceLine(const QDateTime& when, const QString& text);
