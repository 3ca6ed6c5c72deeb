#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <netinet/in.h>

#include <optional>
#include <vector>

// Address helpers shared by the UDP and TCP socket objects (IPv4 only, like the wire).

// A dotted IPv4 address ("192.168.0.5"), read without any name lookup; nothing for
// anything else, host names included.
std::optional<in_addr> ParseDottedAddress(QByteArrayView text);

// A dotted address as it stands, else the first IPv4 address of the host name;
// nothing when neither works. May block on the resolver like any name lookup.
std::optional<in_addr> ResolveHostAddress(QByteArrayView host);

// "192.168.0.5"
QByteArray DottedAddress(const in_addr& address);

// The socket address of `address` and `port`.
sockaddr_in Endpoint(in_addr address, int port);

// The directed broadcast address of every IPv4 interface that has one.
std::vector<in_addr> InterfaceBroadcastAddresses();

// Whether a datagram to this address reaches one host: not 0.0.0.0/8, loopback,
// multicast, the reserved block with 255.255.255.255, nor one of `broadcasts`.
bool IsUnicastHost(in_addr address, const std::vector<in_addr>& broadcasts);

// Sets the descriptor's socket option to an int value; errno is left on failure.
bool SetIntOption(int fd, int level, int option, int value);

// SO_LINGER on with the given seconds, or off.
void SetLinger(int fd, bool on, int seconds);
