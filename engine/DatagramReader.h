#pragma once

#include "engine/SocketEvent.h"

#include <QByteArray>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// One datagram read off the socket and not yet handed to the owner.
struct ReceivedDatagram {
    SocketEvent Event; // Kind 2, the sender's address and port
    QByteArray Data;
    int Error = 0; // errno of a failed receive (EMSGSIZE: longer than the receive size)
};

// The datagrams of the engine's UDP socket that have been read but not yet handed over,
// in arrival order, and the thread that keeps reading while a burst lasts.
//
// Ordinary traffic is read by the owner's thread itself (ReadBatch from its notifier):
// a thread hop would cost every message a wake-up. When a whole batch is waiting at
// once, every peer of the LAN is answering at the same moment, and the kernel's buffer
// would overflow while the handlers run; then a reader thread takes over (Drain) and
// moves everything into this queue as it comes, until the socket has been quiet for a
// while. Only one side reads at a time, so the queue keeps the kernel's order.
class DatagramReader
{
public:
    static constexpr int BatchSize = 16;
    // The reader ends after the socket has been quiet this long.
    static constexpr int QuietMs = 50;
    // A flood that never ends must not take all memory: beyond this many waiting
    // datagrams, or this many bytes of them (a peer's 8 KB messages fill it at 2,048;
    // a LAN's entry answers, a few hundred bytes each, at the count), the reader pauses
    // and the kernel's buffer takes the rest.
    static constexpr std::size_t MaxQueued = 32768;
    static constexpr qsizetype MaxQueuedBytes = 16 * 1024 * 1024;

    explicit DatagramReader(int receiveSize);
    ~DatagramReader(); // stops the reader thread
    DatagramReader(const DatagramReader&) = delete;
    DatagramReader& operator=(const DatagramReader&) = delete;

    // Reads up to BatchSize waiting datagrams off `fd` into the queue and returns how
    // many the kernel gave: 0 when none was waiting, -1 when the receive failed (the
    // failure is queued in its place). Only while no reader thread runs.
    int ReadBatch(int fd);

    std::optional<ReceivedDatagram> Pop();
    bool Empty() const;

    // Starts the reader thread on `fd`. `queued` is called on that thread whenever it
    // has added datagrams; `finished`, as its last act, when the socket has been quiet
    // for QuietMs (not when stopped). Neither is called after Stop() returns.
    void Drain(int fd, std::function<void()> queued, std::function<void()> finished);
    bool Draining() const { return m_thread.joinable(); }
    // Ends the reader thread, if any, and waits for it; the queue stays.
    void Stop();

private:
    void Run(int fd, const std::function<void()>& queued, const std::function<void()>& finished);
    int Read(int fd, QByteArray& buffer);

    const int m_receiveSize;
    QByteArray m_buffer; // the owner thread's; the reader thread has its own
    mutable std::mutex m_mutex;
    std::deque<ReceivedDatagram> m_queue;
    qsizetype m_queuedBytes = 0;
    std::thread m_thread;
    int m_stopFd = -1;
};
