#pragma once

#include <QObject>
#include <QString>

#include <cstdint>

// Small pieces both transfer workers use: file access that survives signals, the
// system's text for an error, and the messages a worker posts to its window.
namespace TransferIo
{

// The system's text for an errno value, as message boxes show it.
QString SystemErrorText(int error);

// Reads up to `size` bytes at `offset`; bytes read, 0 at the end, -1 on failure.
int64_t ReadAt(int fd, char* buffer, int64_t size, int64_t offset);
// Writes all of it; false (errno set) when the file would not take it.
bool WriteAll(int fd, const char* data, int64_t size);

void PostProgress(QObject* window, int64_t done, int64_t total);
// An error box for the window to show on its own thread.
void PostErrorBox(QObject* window, const QString& text);

void SleepMs(int ms);

} // namespace TransferIo
