#pragma once

#include <QByteArray>

#include <cstdint>

// The engine's record of one peer that has announced itself. Texts are code page 932
// bytes as they came off the wire, each cut on a character boundary to its field size
// less one (the original fields were NUL-terminated arrays of that size).
struct MemberRecord {
    enum : int {
        AliaseSize = 128,
        UserNameSize = 128,
        HostNameSize = 128,
        LocationSize = 64,
        GroupNamesSize = 128,
        IPAddressSize = 128,
        MailAddressSize = 256,
        AppInfoSize = 128,
    };

    QByteArray Aliase;
    QByteArray UserName;
    QByteArray HostName;
    int32_t Exist = 0; // 1 present, 0 absent
    QByteArray Location;
    QByteArray GroupNames;
    QByteArray IPAddress; // dotted IPv4 text: the key
    int32_t PortNo = 0;
    QByteArray MailAddress;
    QByteArray AppInfo; // application name, a blank, version; empty until the peer says

    // A copy of this system (not a plain IP Messenger peer) says so in its AppInfo.
    bool IsProductPeer() const { return AppInfo.contains("Pala"); }
};

// Cuts a received text to a record field of `size` bytes (NUL included) without
// splitting a double-byte character.
QByteArray FitField(QByteArrayView text, int size);
