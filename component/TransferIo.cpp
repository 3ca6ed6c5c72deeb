#include "TransferIo.h"

#include "component/TransferMessages.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TransferIo
{

QString SystemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString OpenedFile::Reason() const
{
    if (NotRegular)
        return QStringLiteral(
            "通常のファイルではありません（フォルダ、名前付きパイプ、デバイスは送信できません）");
    return SystemErrorText(Error);
}

OpenedFile OpenRegularFile(const QString& path)
{
    OpenedFile file;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {
    };
    if (stat(name.constData(), &info) != 0) {
        file.Error = errno;
        return file;
    }
    if (!S_ISREG(info.st_mode)) {
        file.NotRegular = true;
        return file;
    }
    // O_NONBLOCK changes nothing for a regular file; it keeps a pipe put in its place
    // meanwhile from holding us in open().
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        file.Error = errno;
        return file;
    }
    const bool looked = fstat(fd, &info) == 0;
    if (!looked || !S_ISREG(info.st_mode)) {
        file.Error = looked ? 0 : errno;
        file.NotRegular = looked;
        close(fd);
        return file;
    }
    file.Fd = fd;
    file.Size = info.st_size;
    return file;
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
