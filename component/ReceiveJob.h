#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

class QObject;
class TcpSocketWindow;

// All that the receive window shares with its worker. The window writes the stop flag
// and reads the done flag; the worker writes the running and done flags. Atomics,
// because two threads touch them; everything else the worker posts to the window.
struct ReceiveJob {
    QString SavePath;
    int32_t FileSize = 0;
    std::atomic<int32_t> StopFlag{0};
    std::atomic<int32_t> RunningFlag{0};
    TcpSocketWindow* Socket = nullptr; // the window's; released only after the worker ended
    QObject* Window = nullptr;
    std::atomic<int32_t> DoneFlag{0};
    bool FastTransfer = false;
};
