// The XML command channel: one command at a time to one member, with a receipt and a
// single resend, and the routing of received commands by their Command element.
#include "ProtocolEngine.h"

#include "engine/Commands.h"
#include "engine/XmlElementList.h"

#include <utility>

namespace
{

// The commands the component acts on, spelt as it expects them.
constexpr const char* KnownCommands[] = {
    "FileTransfer", "RequestVoIP", "RejectVoIP", "StopReqVoIP", "StopFileTrans", "RejectFileTrans",
};

} // namespace

void ProtocolEngine::SendXmlMessage(const QByteArray& address, const QByteArray& message)
{
    // A refused command leaves the waiting one's resend alone: dropping it here would
    // lose that command whenever its first copy was lost.
    if (m_socket != nullptr && m_sendBusy != 0) {
        m_events.OnSendWhileBusy();
        return;
    }
    m_pendingXml = {};
    if (m_socket == nullptr)
        return;
    const MemberRecord* member = m_members.Find(address);
    if (member == nullptr)
        return;
    // Kept whole, however long, so that the resend is the same datagram.
    m_pendingXml = {Build(CMD_XML_MESSAGE | OPT_SEND_CHECK, message), member->IPAddress,
                    member->PortNo};
    SendTo(m_pendingXml.Address, m_pendingXml.Port, m_pendingXml.Packet);
    m_xmlResendTimer.start();
    m_sendBusy = 1;
}

void ProtocolEngine::OnXmlResendTimeout()
{
    m_xmlResendTimer.stop();
    m_sendBusy = 0;
    if (m_socket == nullptr || m_pendingXml.Packet.isEmpty())
        return;
    // Same bytes, same packet number; nobody waits for this copy's receipt.
    const PendingXml pending = std::exchange(m_pendingXml, {});
    SendTo(pending.Address, pending.Port, pending.Packet);
}

// Any XML receipt ends the wait, whatever packet number it acknowledges.
void ProtocolEngine::OnXmlReceipt(const ReceivedPacket&)
{
    m_xmlResendTimer.stop();
    m_sendBusy = 0;
}

void ProtocolEngine::OnXmlMessage(const ReceivedPacket& packet)
{
    // Only members may command us; a stranger gets no receipt and gives up after its resend.
    const MemberRecord* member = m_members.Find(packet.Source.PeerAddress);
    if (member == nullptr)
        return;
    // A copy: the handlers behind the event may change the table.
    const MemberRecord sender = *member;
    const XmlElementList elements = XmlElementList::Split(HandedOnText(packet.Extra));
    if (packet.Options & OPT_SEND_CHECK)
        SendTo(sender.IPAddress, sender.PortNo,
               Build(CMD_XML_RECEIPT, ReceiptExtra(packet.PacketNo)));

    const QByteArray command = elements.Value("Command");
    for (const char* known : KnownCommands) {
        if (EqualsIgnoringAsciiCase(command, known)) {
            m_events.OnXmlCommand(known, sender, elements);
            return;
        }
    }
}
