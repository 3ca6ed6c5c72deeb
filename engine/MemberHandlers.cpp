// The member table: entry, exit and presence, the application-information and mail
// exchange that follows an entry, and the host list of an Exchange Server.
#include "ProtocolEngine.h"

#include "engine/Commands.h"
#include "engine/EngineLog.h"
#include "engine/HostList.h"
#include "engine/PacketCodec.h"
#include "engine/PacketDispatcher.h"
#include "engine/SocketAddress.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace
{

struct Presence {
    QByteArray Aliase;
    int32_t Exist = 1;
    QByteArray Location;
};

// The first `c` at or after `from` that is a character of its own, not the second byte of
// a double-byte one: "ー" is 0x81 0x5B, and its 0x5B is no '['.
qsizetype IndexOfChar(QByteArrayView text, char c, qsizetype from = 0)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == c)
            return i;
        if (Cp932::IsLeadByte(static_cast<unsigned char>(text[i])))
            ++i;
    }
    return -1;
}

// An entry-family extra is "alias" while present and "alias[location]" while absent.
Presence PresenceFromExtra(const QByteArray& extra, int32_t options)
{
    Presence presence;
    const qsizetype open = IndexOfChar(extra, '[');
    presence.Aliase = FitField(open < 0 ? extra : extra.first(open), MemberRecord::AliaseSize);
    if ((options & OPT_ABSENCE) == 0)
        return presence;
    presence.Exist = 0;
    if (open < 0)
        return presence;
    // A long location may have lost its ']' to the sender's length limit; what is left of
    // it is still the location.
    const qsizetype close = IndexOfChar(extra, ']', open + 1);
    const QByteArrayView location =
        QByteArrayView(extra).sliced(open + 1, (close < 0 ? extra.size() : close) - open - 1);
    presence.Location = FitField(location, MemberRecord::LocationSize);
    return presence;
}

MemberRecord RecordFromEntry(const ReceivedPacket& packet, bool useHostlist)
{
    Presence presence = PresenceFromExtra(packet.Extra, packet.Options);
    MemberRecord record;
    record.Aliase = std::move(presence.Aliase);
    record.UserName = FitField(packet.UserName, MemberRecord::UserNameSize);
    record.HostName = FitField(packet.HostName, MemberRecord::HostNameSize);
    record.Exist = presence.Exist;
    record.Location = std::move(presence.Location);
    // Peers that use the host list announce their first group only; so do we then.
    QByteArrayView groups = packet.GroupPart;
    if (useHostlist && groups.contains(','))
        groups = groups.first(groups.indexOf(','));
    // Whole names only: a name cut short would be a group that does not exist.
    record.GroupNames =
        groups.first(WholeGroupNamesLength(groups, MemberRecord::GroupNamesSize - 1)).toByteArray();
    record.IPAddress = FitField(packet.Source.PeerAddress, MemberRecord::IPAddressSize);
    record.PortNo = packet.Source.PeerPort;
    return record;
}

} // namespace

// The events below go to the host synchronously, and a host may call back into the
// engine (ReEntry, Drop) from inside one; so nothing held in the table is used after
// an event is raised, only copies.

void ProtocolEngine::OnEntry(const ReceivedPacket& packet)
{
    // Peers announce themselves from the chat port; anything else is not one of us.
    if (packet.Source.PeerPort != m_own.PortNo)
        return;
    MemberRecord record = RecordFromEntry(packet, m_own.UseHostlist != 0);
    const MemberRecord* known = m_members.Find(record.IPAddress);
    if (known == nullptr && m_members.size() >= MemberTable::MaxMembers) {
        qCDebug(lcEngine) << "member table full: entry from" << record.IPAddress << "ignored";
        return; // nor answered: it would be no member of ours
    }

    // Any host can send an entry in another's name: the answer and the request for
    // information below come out of that address's budget of replies.
    if (packet.Command == CMD_ENTRY)
        Reply(packet.Source.PeerAddress, packet.Source.PeerPort,
              Build(CMD_ANSWER_ENTRY | AbsenceOption(), PresenceExtra(), OwnGroupPart()));

    if (known != nullptr) {
        // A member we know announces itself again: what it said since stays.
        record.MailAddress = known->MailAddress;
        record.AppInfo = known->AppInfo;
        m_members.Put(record);
        if (!record.AppInfo.isEmpty())
            return;
    } else {
        m_members.Put(record);
        m_events.OnMemberAdded(record);
    }
    Reply(record.IPAddress, record.PortNo, Build(CMD_GET_INFO, m_own.MyAliase));
}

void ProtocolEngine::OnExit(const ReceivedPacket& packet)
{
    if (m_members.Remove(packet.Source.PeerAddress))
        m_events.OnMemberDeleted(packet.Source.PeerAddress);
}

void ProtocolEngine::OnPresence(const ReceivedPacket& packet)
{
    MemberRecord* member = m_members.MoveToEnd(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    // Only the presence changes: the alias and groups stay as the entry gave them.
    Presence presence = PresenceFromExtra(packet.Extra, packet.Options);
    member->Exist = presence.Exist;
    member->Location = std::move(presence.Location);
    const QByteArray address = member->IPAddress;
    const QByteArray location = member->Location;
    m_events.OnPresenseNotified(address, presence.Exist, location);
}

void ProtocolEngine::OnGetInfo(const ReceivedPacket& packet)
{
    const MemberRecord* member = m_members.Find(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    Reply(member->IPAddress, member->PortNo,
          Build(CMD_SEND_INFO | OPT_AUTO_RETURN,
                SendInfoExtra(m_own.ApplicationName, m_own.ApplicationVersion)));
}

void ProtocolEngine::OnSendInfo(const ReceivedPacket& packet)
{
    MemberRecord* member = m_members.MoveToEnd(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    member->AppInfo = FitField(packet.Extra, MemberRecord::AppInfoSize);
    // Raised again for a known member: the host takes it as a refresh with the AppInfo.
    const MemberRecord updated = *member;
    m_events.OnMemberAdded(updated);
    Reply(updated.IPAddress, updated.PortNo, Build(CMD_GET_MAIL, m_own.MyAliase));
}

void ProtocolEngine::OnGetMail(const ReceivedPacket& packet)
{
    const MemberRecord* member = m_members.Find(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    Reply(member->IPAddress, member->PortNo, Build(CMD_SEND_MAIL, m_own.MailAddress));
}

void ProtocolEngine::OnSendMail(const ReceivedPacket& packet)
{
    MemberRecord* member = m_members.MoveToEnd(packet.Source.PeerAddress);
    if (member != nullptr)
        member->MailAddress = FitField(packet.Extra, MemberRecord::MailAddressSize);
}

void ProtocolEngine::OnGetAbsenceInfo(const ReceivedPacket& packet)
{
    // The sender's own record (there is one per address) says at which port it listens.
    const MemberRecord* member = m_members.Find(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    const QByteArray answer = m_own.Exist != 0
                                  ? Build(CMD_SEND_ABSENCE_INFO, NotAbsentExtra(m_own.MyAliase))
                                  : Build(CMD_SEND_ABSENCE_INFO | OPT_ABSENCE,
                                          AbsentExtra(m_own.MyAliase, m_own.Location));
    Reply(member->IPAddress, member->PortNo, answer);
}

void ProtocolEngine::RememberHostListServers()
{
    m_hostListServers.clear();
    if (m_own.UseHostlist == 0)
        return;
    // Resolved as the directed copies of the entry just were, so that a server named by
    // its host name is recognised by the address its answer comes from.
    for (const QByteArray& entry : m_own.BroadCastIPAddresses.split(',')) {
        const QByteArray host = entry.trimmed();
        if (host.isEmpty())
            continue;
        if (const std::optional<in_addr> address = ResolveHostAddress(host))
            m_hostListServers.push_back(DottedAddress(*address));
    }
}

void ProtocolEngine::OnHostList(const ReceivedPacket& packet)
{
    // A list makes this copy answer and question every host on it, so it is taken only
    // from a server this copy asked: any other host could aim those answers anywhere.
    if (std::find(m_hostListServers.begin(), m_hostListServers.end(), packet.Source.PeerAddress) ==
        m_hostListServers.end())
        return;
    const HostListAnswer answer = ParseHostList(packet.Extra);
    if (!answer.Valid)
        return;
    // Only addresses of single hosts: a broadcast or multicast address on the list would
    // turn each answer into one to many.
    std::vector<in_addr> broadcasts = InterfaceBroadcastAddresses();
    for (const QByteArray& entry : m_own.BroadCastIPAddresses.split(',')) {
        if (const std::optional<in_addr> address = ParseDottedAddress(entry.trimmed()))
            broadcasts.push_back(*address);
    }
    // Every host on the list is taken as if its entry had come in at our own port: it is
    // queued behind whatever is waiting, answered, added and asked for its information.
    for (const HostListEntry& entry : answer.Entries) {
        // Any peer can send a list, so a host name there would be a name lookup that
        // blocks this thread, a thousand times over. Real servers list addresses.
        const std::optional<in_addr> address = ParseDottedAddress(entry.IPAddress);
        if (!address || !IsUnicastHost(*address, broadcasts))
            continue;
        ReceivedPacket made;
        made.Command = CMD_ENTRY;
        made.Options = CommandOptions(entry.Command);
        made.PacketNo = 100;
        made.Version = PacketVersion;
        made.HostName = entry.HostName;
        made.UserName = entry.UserName;
        // Written as the socket writes a sender's address, so that it keys the same record.
        made.Source = {SocketEvent::EntryFromHostList, DottedAddress(*address), m_own.PortNo};
        const QByteArrayView group = entry.GroupName;
        made.GroupPart =
            group.first(WholeGroupNamesLength(group, ReceivedPacket::GroupPartSize - 1))
                .toByteArray();
        made.Extra = entry.NickName;
        PostPacket(m_window, std::move(made), m_own.UseHostlist != 0);
    }
    if (answer.RequestMore)
        SendTo(packet.Source.PeerAddress, packet.Source.PeerPort,
               Build(CMD_GET_LIST, GetListExtra(answer.StartNo)));
}
