#pragma once

#include "component/TransferIo.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>

class QObject;
class TcpSocketWindow;

// All that the send window shares with its worker. The window writes the stop flag,
// the worker the running flag; both are atomics because two threads touch them. The
// worker reports everything else by posting to the window.
struct SendJob {
    QString FilePath;
    int64_t OfferedSize = 0; // never more than this is sent, even if the file has grown
    std::atomic<int32_t> StopFlag{0};
    std::atomic<int32_t> RunningFlag{0};
    TcpSocketWindow* Socket = nullptr; // the component's; released only after the worker ended
    QObject* Window = nullptr;
    bool FastTransfer = false;
    // The paced sender's pause before each chunk, in milliseconds. A test may put its
    // own here to act at exactly that moment.
    std::function<void(int)> Pause = TransferIo::SleepMs;
};
