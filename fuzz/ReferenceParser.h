#pragma once

#include "engine/ReceivedPacket.h"
#include "ReferenceCp932.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The parse written the slow, literal way: the datagram copied into zero-filled
// fixed buffers and taken apart with C's string functions. ParsePacket must give the
// same fields for every input without doing this work.
inline ReceivedPacket ReferenceParse(const uint8_t* data, size_t size, const SocketEvent& source)
{
    ReceivedPacket packet;
    packet.Source = source;
    size = std::min<size_t>(size, 8192);

    std::vector<char> buffer(8193, '\0');
    std::memcpy(buffer.data(), data, size);
    const size_t headerLength = std::strlen(buffer.data());

    // The group part: walk the bytes beyond the header in a second zero-filled buffer.
    std::vector<char> after(8193, '\0');
    if (size > headerLength + 1)
        std::memcpy(after.data(), buffer.data() + headerLength + 1, size - headerLength - 1);
    std::string groups;
    for (size_t i = 0; i < size - headerLength; ++i) {
        if (after[i] != '\0')
            groups += after[i];
        else if (after[i + 1] == '\0')
            break;
        else
            groups += ',';
    }

    std::string text(buffer.data());
    text += "::::::";
    auto take = [&text] {
        const size_t colon = text.find(':');
        std::string field = text.substr(0, colon);
        text.erase(0, colon + 1);
        return field;
    };
    const std::string version = take();
    const std::string number = take();
    const std::string user = take();
    const std::string host = take();
    const std::string command = take();
    const std::string extra = text.size() >= 6 ? text.substr(0, text.size() - 6) : std::string();

    auto cut = [](const std::string& s, qsizetype fieldSize) {
        return RefCp932::Cut(QByteArrayView(s.data(), s.size()), fieldSize - 1);
    };
    packet.Version = std::atoi(version.c_str());
    packet.PacketNo = std::atoi(number.c_str());
    packet.UserName = cut(user, ReceivedPacket::NameSize);
    packet.HostName = cut(host, ReceivedPacket::NameSize);
    const int32_t value = std::atoi(command.c_str());
    packet.Command = value & 0xFF;
    packet.Options = value & ~0xFF;
    // Only names that fit whole; a lone name longer than the field is cut.
    size_t keep = RefCp932::CutLength(QByteArrayView(groups.data(), groups.size()), 2047);
    if (keep < groups.size() && groups[keep] != ',') {
        size_t lastSeparator = std::string::npos;
        for (size_t i = 0; i < keep; i += RefCp932::IsLeadByte(groups[i]) ? 2 : 1)
            if (groups[i] == ',')
                lastSeparator = i;
        if (lastSeparator != std::string::npos)
            keep = lastSeparator;
    }
    packet.GroupPart = QByteArray(groups.data(), keep);
    packet.Extra = cut(extra, ReceivedPacket::ExtraSize);
    return packet;
}
