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

// A file opened for sending, or why not. Only regular files are sent: a named pipe or a
// device would hold the opener in open() or read() until someone else acts (or never
// end), and a directory has no bytes to send.
struct OpenedFile {
    int Fd = -1; // the caller closes it
    int64_t Size = 0;
    bool NotRegular = false; // there, but not a regular file
    int Error = 0;           // errno when it could not be opened
    // Why it cannot be sent, for the line under "送信するファイルをオープンできませんでした".
    QString Reason() const;
};
// Never blocks: looks before it opens, opens without waiting and looks again at what it
// opened (the path may have changed in between).
OpenedFile OpenRegularFile(const QString& path);

// Reads up to `size` bytes at `offset`; bytes read, 0 at the end, -1 on failure.
int64_t ReadAt(int fd, char* buffer, int64_t size, int64_t offset);
// Writes all of it; false (errno set) when the file would not take it.
bool WriteAll(int fd, const char* data, int64_t size);

void PostProgress(QObject* window, int64_t done, int64_t total);
// An error box for the window to show on its own thread.
void PostErrorBox(QObject* window, const QString& text);

void SleepMs(int ms);

} // namespace TransferIo
