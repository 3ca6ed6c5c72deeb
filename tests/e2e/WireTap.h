#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Everything that passes one host's eth0, both ways, as a packet capture would see it:
// the UDP datagrams it sends (before any loss on the bridge) and those that reach it,
// in the order they passed. A test reads packet numbers here that the program does not
// print.
class WireTap
{
public:
    struct Datagram {
        bool Outgoing = false;
        int SourcePort = 0;
        int DestinationPort = 0;
        QByteArray Bytes; // the UDP payload
    };

    WireTap() = default;
    ~WireTap();
    WireTap(const WireTap&) = delete;
    WireTap& operator=(const WireTap&) = delete;

    // Opens the capture on eth0 inside the named network namespace.
    bool Open(const QString& netns, QString* error);
    // The UDP datagrams that passed since the last call, oldest first.
    std::vector<Datagram> Take();

private:
    int m_fd = -1;
};
