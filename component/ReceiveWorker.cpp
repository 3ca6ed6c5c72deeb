#include "ReceiveWorker.h"

#include "component/ReceiveJob.h"
#include "component/TransferIo.h"
#include "component/TransferMessages.h"
#include "component/TransferSettings.h"
#include "engine/TcpSocketWindow.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

using namespace TransferIo;

void ReceiveWorker::Run(ReceiveJob& job)
{
    const int fd = open(QFile::encodeName(job.SavePath).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        PostErrorBox(job.Window, QStringLiteral("セーブ用のファイルをオープンできませんでした\n") +
                                     SystemErrorText(errno));
        return;
    }
    job.RunningFlag = 1;
    const bool complete = job.FastTransfer ? ReceiveFast(job, fd) : ReceivePaced(job, fd);
    close(fd);
    job.RunningFlag = 0;
    if (complete) {
        job.DoneFlag = 1;
        PostWindowMessage(job.Window, WM_RECEIVE_DONE);
    }
}

bool ReceiveWorker::Store(ReceiveJob& job, int fd, const char* data, int count, int64_t& received)
{
    // A sender that sends more than it offered does not get to grow the file.
    const int64_t wanted = std::min<int64_t>(count, job.FileSize - received);
    if (!WriteAll(fd, data, wanted)) {
        // Counting unwritten bytes as received would report a damaged file as complete.
        PostErrorBox(job.Window, QStringLiteral("受信したファイルを書き込めませんでした\n") +
                                     SystemErrorText(errno));
        return false;
    }
    received += wanted;
    return true;
}

bool ReceiveWorker::ReceivePaced(ReceiveJob& job, int fd)
{
    char chunk[TransferPacing::ChunkBytes];
    int64_t received = 0;
    for (;;) {
        SleepMs(TransferPacing::ReceivePollMs);
        if (job.StopFlag != 0)
            return false;
        const int count = job.Socket->Receive(chunk, sizeof chunk);
        if (count <= 0)
            continue; // nothing yet, or the connection ended: the window hears of that
        if (!Store(job, fd, chunk, count, received))
            return false;
        PostProgress(job.Window, received, job.FileSize);
        if (received >= job.FileSize)
            return true;
    }
}

bool ReceiveWorker::ReceiveFast(ReceiveJob& job, int fd)
{
    using Clock = std::chrono::steady_clock;
    std::vector<char> block(TransferPacing::FastBlockBytes);
    int64_t received = 0;
    Clock::time_point reported = Clock::now();
    while (job.StopFlag == 0) {
        const int ready = job.Socket->WaitReady(false, TransferPacing::FastWaitMs);
        if (ready == 0)
            continue;
        const int count = ready < 0 ? 0 : job.Socket->Receive(block.data(), int(block.size()));
        if (count <= 0) {
            // No connection, or it has ended: the window hears of that and stops us.
            if (ready < 0 || count == 0 || job.Socket->LastError() != EAGAIN)
                SleepMs(TransferPacing::ReceivePollMs);
            continue;
        }
        if (!Store(job, fd, block.data(), count, received))
            return false;
        const Clock::time_point now = Clock::now();
        if (received >= job.FileSize) {
            PostProgress(job.Window, received, job.FileSize);
            return true;
        }
        if (now - reported >= std::chrono::milliseconds(TransferPacing::FastProgressMs)) {
            reported = now;
            PostProgress(job.Window, received, job.FileSize);
        }
    }
    return false;
}
