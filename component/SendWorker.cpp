#include "SendWorker.h"

#include "component/SendJob.h"
#include "component/TransferIo.h"
#include "component/TransferMessages.h"
#include "component/TransferSettings.h"
#include "engine/TcpSocketWindow.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include <unistd.h>

using namespace TransferIo;

void SendWorker::Run(SendJob& job)
{
    // The path may name something else by now: a pipe put there would hold this thread
    // in open() and the window in its wait for it.
    const OpenedFile file = OpenRegularFile(job.FilePath);
    if (file.Fd < 0) {
        PostErrorBox(job.Window, QStringLiteral("送信するファイルをオープンできませんでした\n") +
                                     file.Reason());
        return;
    }
    const int fd = file.Fd;
    job.RunningFlag = 1;
    // The receiver waits for exactly the size it was offered: a file that has grown since
    // is sent only that far, one that has shrunk ends in an error (ReadFailed).
    const long long total = job.OfferedSize;
    if (job.FastTransfer)
        SendFast(job, fd, total);
    else
        SendPaced(job, fd, total);
    close(fd);
    job.RunningFlag = 0;
}

// The file ended early or could not be read. Waiting for bytes that will never come
// would hang both sides, and calling the transfer complete would hide the damage: the
// worker stops with a box, and the window waits for the user as after a send error.
void SendWorker::ReadFailed(SendJob& job, int64_t got, int error)
{
    PostErrorBox(job.Window, QStringLiteral("送信するファイルを読み込めませんでした\n") +
                                 (got == 0 ? QStringLiteral("ファイルが送信中に短くなりました")
                                           : SystemErrorText(error)));
}

bool SendWorker::MayRetry(SendJob& job)
{
    const int error = job.Socket->LastError();
    if (error == EAGAIN || error == EWOULDBLOCK)
        return true;
    // The connection is already closed on this side: the window has heard of it and set
    // the stop flag. A cleared error means the window's thread has just seen that close.
    if (job.StopFlag != 0 || error == 0 || error == EPIPE || error == ENOTCONN)
        return false;
    // A reset by the peer is an error like any other and gets its box: the user learns
    // that the transfer broke instead of watching a bar that no longer moves.
    PostErrorBox(job.Window,
                 QStringLiteral("ファイルを送信することができません\n(error = %1)").arg(error));
    return false;
}

// One chunk of at most 4096 bytes per 30 ms pass; a partial send resumes at the new
// offset in the next pass.
void SendWorker::SendPaced(SendJob& job, int fd, long long total)
{
    char chunk[TransferPacing::ChunkBytes];
    long long offset = 0;
    while (job.StopFlag == 0) {
        job.Pause(TransferPacing::SendPassMs);
        // A stop set during the pause counts: a new connection may already have taken
        // the socket, and it must not get a chunk of this one.
        if (job.StopFlag != 0)
            return;
        const int64_t want = std::min<long long>(sizeof chunk, total - offset);
        const int64_t got = want > 0 ? ReadAt(fd, chunk, want, offset) : 0;
        if (want > 0 && got <= 0) {
            ReadFailed(job, got, errno);
            return;
        }
        int sent = 0;
        if (got > 0) {
            sent = job.Socket->Send(QByteArrayView(chunk, got));
            if (sent < 0) {
                if (!MayRetry(job))
                    return;
                sent = 0;
            }
        }
        offset += sent;
        PostProgress(job.Window, offset, total);
        if (offset >= total) {
            PostWindowMessage(job.Window, WM_SEND_DONE);
            return;
        }
    }
}

void SendWorker::SendFast(SendJob& job, int fd, long long total)
{
    using Clock = std::chrono::steady_clock;
    std::vector<char> block(TransferPacing::FastBlockBytes);
    int64_t have = 0;
    int64_t position = 0;
    long long offset = 0;
    Clock::time_point reported = Clock::now();
    while (job.StopFlag == 0) {
        if (offset >= total) {
            PostProgress(job.Window, offset, total);
            PostWindowMessage(job.Window, WM_SEND_DONE);
            return;
        }
        if (position == have) {
            position = 0;
            have = ReadAt(fd, block.data(),
                          std::min<long long>(static_cast<long long>(block.size()), total - offset),
                          offset);
            if (have <= 0) {
                ReadFailed(job, have, errno);
                return;
            }
        }
        const int sent = job.Socket->Send(
            QByteArrayView(block.data() + position, static_cast<qsizetype>(have - position)));
        if (sent < 0) {
            if (!MayRetry(job))
                return;
            job.Socket->WaitReady(true, TransferPacing::FastWaitMs);
            continue;
        }
        position += sent;
        offset += sent;
        const Clock::time_point now = Clock::now();
        if (now - reported >= std::chrono::milliseconds(TransferPacing::FastProgressMs)) {
            reported = now;
            PostProgress(job.Window, offset, total);
        }
    }
}
