#include "TransferIo.h"

#include "component/TransferMessages.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <unistd.h>

namespace TransferIo
{

QString SystemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int64_t ReadAt(int fd, char* buffer, int64_t size, int64_t offset)
{
    ssize_t got;
    do {
        got = pread(fd, buffer, static_cast<size_t>(size), offset);
    } while (got < 0 && errno == EINTR);
    return got;
}

bool WriteAll(int fd, const char* data, int64_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, static_cast<size_t>(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

void PostProgress(QObject* window, int64_t done, int64_t total)
{
    PostWindowMessage(window, WM_TRANSFER_PROGRESS, static_cast<std::intptr_t>(done),
                      static_cast<std::intptr_t>(total));
}

void PostErrorBox(QObject* window, const QString& text)
{
    MessageBoxRequest box;
    box.Text = text;
    box.Caption = QStringLiteral("エラー");
    box.Icon = MessageBoxIcon::Error;
    PostWindowMessage(window, std::make_unique<WorkerBoxMessage>(box));
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace TransferIo
