#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <vector>

// The host list an IP Messenger Exchange Server answers with: BEL-separated fields,
// a continuation number and a total, then seven fields for every host it knows.
// Texts are code page 932 bytes as they came.

// One host of the list, to be taken as if it had announced itself.
struct HostListEntry {
    static constexpr qsizetype NameLimit = 127; // user and host names are cut to this

    QByteArray UserName;
    QByteArray HostName;
    int32_t Command = 0;  // the entry's command value; its option bits are what counts
    QByteArray IPAddress; // as listed; the engine takes only dotted IPv4 addresses
    int32_t PortNo = 0;   // read, but entries are always answered at our own port
    QByteArray NickName;
    QByteArray GroupName;
};

struct HostListAnswer {
    // A list fits some 580 minimal entries into its 8191 bytes; each one becomes an entry
    // answer and an information request. No more than this are read from one answer; the
    // rest is asked for again like any page the server has not sent yet.
    static constexpr std::size_t EntryLimit = 256;

    // Both numbers were there. Without them nothing is taken and nothing is answered.
    bool Valid = false;
    int32_t Continuation = 0; // C: where the server would go on, 0 when it has sent all
    int32_t Total = 0;        // T: how many hosts the server knows
    std::vector<HostListEntry> Entries;

    // Whether to ask the server for more with CMD_GET_LIST, and from where.
    bool RequestMore = false;
    int32_t StartNo = 0;
};

// The extra of a host-list answer in, its parts out. Never fails: reading stops at the
// first entry that lacks a field or after EntryLimit entries, and only the first 8191
// bytes are read.
HostListAnswer ParseHostList(QByteArrayView extra);
