#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// A plain UDP socket on the chat port inside one host of the virtual LAN: it hears
// the broadcasts of the copies byte for byte, as another program on that LAN would.
class WireListener
{
public:
    struct Datagram {
        QByteArray From;
        QByteArray Bytes;
    };

    WireListener() = default;
    ~WireListener();
    WireListener(const WireListener&) = delete;
    WireListener& operator=(const WireListener&) = delete;

    // Binds `port` (0: any free one) in the named network namespace, or in this
    // process's own when `netns` is empty; false with `error` set on failure.
    bool Open(const QString& netns, int port, QString* error);
    // Waits until a datagram satisfies `match` (all are kept); a copy of it, or nothing.
    std::optional<Datagram> WaitFor(const std::function<bool(const Datagram&)>& match,
                                    int timeoutMs);
    const std::vector<Datagram>& Received() const { return m_received; }

    // Takes in what has arrived, without waiting.
    void Collect();
    // Sends from this socket (broadcasts allowed); false with `error` set when the
    // kernel refused it.
    bool SendTo(const QByteArray& address, int port, const QByteArray& bytes, QString* error);
    // The port the socket is bound to (the kernel's choice when Open was given 0).
    int Port() const;

private:
    int m_fd = -1;
    std::vector<Datagram> m_received;
};

// The fields of a datagram's text up to its first NUL ("1:101:user:host:1:extra"); the
// extra keeps its colons.
struct WireFields {
    int Command = 0; // the whole command value, options included
    QByteArray Extra;
    QByteArray AfterText; // what follows the text's NUL (the group part)
};
WireFields SplitDatagram(const QByteArray& bytes);
