#include "DatagramReader.h"

#include "engine/SocketAddress.h"

#include <array>
#include <cerrno>
#include <chrono>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

DatagramReader::DatagramReader(int receiveSize)
    : m_receiveSize(receiveSize), m_buffer(qsizetype(receiveSize) * BatchSize, '\0')
{
}

DatagramReader::~DatagramReader()
{
    Stop();
}

int DatagramReader::ReadBatch(int fd)
{
    return Read(fd, m_buffer);
}

int DatagramReader::Read(int fd, QByteArray& buffer)
{
    std::array<mmsghdr, BatchSize> headers{};
    std::array<iovec, BatchSize> vectors{};
    std::array<sockaddr_in, BatchSize> senders{};
    for (size_t i = 0; i < BatchSize; ++i) {
        vectors[i] = {buffer.data() + i * m_receiveSize, static_cast<size_t>(m_receiveSize)};
        headers[i].msg_hdr.msg_name = &senders[i];
        headers[i].msg_hdr.msg_namelen = sizeof senders[i];
        headers[i].msg_hdr.msg_iov = &vectors[i];
        headers[i].msg_hdr.msg_iovlen = 1;
    }
    // MSG_TRUNC reports each datagram's real length even when it did not fit, so an
    // oversized one is recognised and dropped whole, never cut.
    int count;
    do {
        count = recvmmsg(fd, headers.data(), BatchSize, MSG_TRUNC | MSG_DONTWAIT, nullptr);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        const int error = errno;
        const std::lock_guard lock(m_mutex);
        m_queue.push_back({{}, {}, error});
        return -1;
    }
    // Made before the lock, moved in under it: the other side waits only for the moves.
    std::array<ReceivedDatagram, BatchSize> batch;
    qsizetype bytes = 0;
    for (int i = 0; i < count; ++i) {
        const auto length = static_cast<int>(headers[i].msg_len);
        if (length > m_receiveSize) {
            // As the original platform reports it: the datagram is gone, "message too long".
            batch[i].Error = EMSGSIZE;
            continue;
        }
        batch[i].Event.Kind = SocketEvent::DataReceived;
        batch[i].Event.PeerAddress = DottedAddress(senders[i].sin_addr);
        batch[i].Event.PeerPort = ntohs(senders[i].sin_port);
        batch[i].Data = QByteArray(buffer.constData() + i * m_receiveSize, length);
        bytes += length;
    }
    const std::lock_guard lock(m_mutex);
    m_queuedBytes += bytes;
    std::move(batch.begin(), batch.begin() + count, std::back_inserter(m_queue));
    return count;
}

std::optional<ReceivedDatagram> DatagramReader::Pop()
{
    const std::lock_guard lock(m_mutex);
    if (m_queue.empty())
        return std::nullopt;
    ReceivedDatagram next = std::move(m_queue.front());
    m_queue.pop_front();
    m_queuedBytes -= next.Data.size();
    return next;
}

bool DatagramReader::Empty() const
{
    const std::lock_guard lock(m_mutex);
    return m_queue.empty();
}

void DatagramReader::Drain(int fd, std::function<void()> queued, std::function<void()> finished)
{
    Stop();
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this, fd, queued = std::move(queued), finished = std::move(finished)] {
        Run(fd, queued, finished);
    });
}

void DatagramReader::Stop()
{
    if (!m_thread.joinable())
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(m_stopFd, &one, sizeof one);
    m_thread.join();
    close(m_stopFd);
    m_stopFd = -1;
}

void DatagramReader::Run(int fd, const std::function<void()>& queued,
                         const std::function<void()>& finished)
{
    QByteArray buffer(qsizetype(m_receiveSize) * BatchSize, '\0');
    for (;;) {
        bool full;
        {
            const std::lock_guard lock(m_mutex);
            full = m_queue.size() >= MaxQueued || m_queuedBytes >= MaxQueuedBytes;
        }
        pollfd fds[2] = {{fd, short(full ? 0 : POLLIN), 0}, {m_stopFd, POLLIN, 0}};
        const int ready = poll(fds, 2, full ? 1 : QuietMs);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0)
            return; // stopped: nothing more is called
        if (full)
            continue;
        if (ready == 0) {
            finished();
            return;
        }
        const int count = Read(fd, buffer);
        if (count != 0)
            queued(); // a failed receive is handed over too, in its place
        if (count < 0) {
            finished(); // the socket is broken: the owner's notifier will hear of it
            return;
        }
    }
}
