#pragma once

#include <cstdint>

struct SendJob;

// The sending side's worker thread: reads the file from its first byte to its last
// and writes it to the connection, reporting progress to the window, until everything
// is sent, the stop flag is set, the connection fails or the file ends early. Paced to 4096 bytes
// every 30 ms, or in large blocks as fast as the link allows with fast transfer.
class SendWorker
{
public:
    static void Run(SendJob& job);

private:
    static void SendPaced(SendJob& job, int fd, long long total);
    static void SendFast(SendJob& job, int fd, long long total);
    // After a failed Send: true to try again later, false to end (a box was posted
    // unless the connection was already closed on this side, which the window knows).
    static bool MayRetry(SendJob& job);
    // The file ended before the offered size (`got` 0) or could not be read (`got` -1,
    // `error` from errno): posts the box; the worker then ends.
    static void ReadFailed(SendJob& job, int64_t got, int error);
};
