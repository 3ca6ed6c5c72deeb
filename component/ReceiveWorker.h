#pragma once

#include <cstdint>

struct ReceiveJob;

// The receiving side's worker thread: creates the save file and appends what arrives
// on the connection, never more than the offered size, reporting progress, until the
// whole file is written or the stop flag is set. Polls up to 4096 bytes every 20 ms,
// or waits for large blocks with fast transfer. A file left unfinished stays on disk.
class ReceiveWorker
{
public:
    static void Run(ReceiveJob& job);

private:
    // Writes what came; false when the file would not take it (a box was posted).
    static bool Store(ReceiveJob& job, int fd, const char* data, int count, int64_t& received);
    // True when the whole file has been written.
    static bool ReceivePaced(ReceiveJob& job, int fd);
    static bool ReceiveFast(ReceiveJob& job, int fd);
};
