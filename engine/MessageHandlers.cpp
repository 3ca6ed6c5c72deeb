// Private, group and cast messages, their receipts and the automatic absence reply.
#include "ProtocolEngine.h"

#include "engine/Commands.h"
#include "platform/Cp932.h"

namespace
{

// A C string ends at its first NUL; a group name does too, or it would become two.
QByteArrayView UpToNul(const QByteArray& text)
{
    const qsizetype nul = text.indexOf('\0');
    return nul < 0 ? QByteArrayView(text) : QByteArrayView(text).first(nul);
}

} // namespace

void ProtocolEngine::SendPrivateMessage(const QByteArray& address, const QByteArray& message)
{
    if (m_socket == nullptr)
        return;
    if (m_sendBusy != 0) {
        m_events.OnSendWhileBusy();
        return;
    }
    const MemberRecord* member = m_members.Find(address);
    if (member == nullptr)
        return;
    // A receipt is always asked for: it is the only way the user learns of a loss.
    SendTo(member->IPAddress, member->PortNo, Build(CMD_SEND_MESSAGE | OPT_SEND_CHECK, message));
    m_receiptDue = QDeadlineTimer(m_timing.ReceiptTimeoutMs, Qt::PreciseTimer);
    m_receiptAwaited = true;
    if (!m_receiptTimer.isActive())
        m_receiptTimer.start(m_timing.ReceiptTimeoutMs);
    m_sendBusy = 1;
}

void ProtocolEngine::SendGroupMessage(const QByteArray& address, const QByteArray& message,
                                      const QByteArray& groupName)
{
    if (m_socket == nullptr)
        return;
    if (m_sendBusy != 0) {
        m_events.OnSendWhileBusy();
        return;
    }
    // The address only has to be a member's: the message goes to everybody.
    if (m_members.Find(address) == nullptr)
        return;
    // No receipt wait: receivers never acknowledge a group message, so a wait armed here
    // could only end in a false "not delivered" notice. The group name goes whole, commas
    // and all.
    BroadcastAll(Build(CMD_SEND_MESSAGE | OPT_BROADCAST, message, UpToNul(groupName)));
}

void ProtocolEngine::CastGroupMessage(const QByteArray& message, const QByteArray& groupName)
{
    if (m_socket == nullptr)
        return;
    BroadcastAll(Build(CMD_CAST_MESSAGE, message, UpToNul(groupName)));
}

QByteArray ProtocolEngine::HandedOnText(const QByteArray& extra)
{
    return extra.size() <= TextLimit ? extra : Cp932::Cut(extra, TextLimit);
}

void ProtocolEngine::OnMessage(const ReceivedPacket& packet)
{
    const QByteArray message = HandedOnText(packet.Extra);
    const QByteArray& from = packet.Source.PeerAddress;
    const bool isSecret = (packet.Options & OPT_SECRET) != 0;

    // Copied before the event: the host may change the table from inside it.
    const MemberRecord* member = m_members.Find(from);
    const bool isMember = member != nullptr;
    if (isMember) {
        const int32_t port = member->PortNo;
        m_events.OnMessageReceived(from, port, packet.GroupPart, message, isSecret);
        if (packet.Options & OPT_SEND_CHECK)
            SendTo(from, port, Build(CMD_RECEIPT, ReceiptExtra(packet.PacketNo)));
    } else if (packet.Options & OPT_NO_ADD_LIST) {
        return; // the sender asked not to be listed: no trace at all
    } else {
        m_events.OnMessageReceived(from, packet.Source.PeerPort, packet.GroupPart, message,
                                   isSecret);
        // No receipt for a stranger; introducing ourselves makes its answer list it.
        // A stranger's address may be forged, so this answer is within its budget.
        Reply(from, packet.Source.PeerPort,
              Build(CMD_ENTRY | AbsenceOption(), PresenceExtra(), OwnGroupPart()));
    }

    // Group messages and other automatic replies are never answered, or two absent
    // users would answer each other for ever. A host that dropped out from inside the
    // event has no socket left to answer with, and is not told of a reply never sent.
    // A member gets its reply to every message; a stranger (perhaps a forged address)
    // only within its budget, and the user hears only of replies that went out.
    if (m_socket != nullptr && m_own.Exist == 0 &&
        (packet.Options & (OPT_BROADCAST | OPT_AUTO_RETURN)) == 0 &&
        !m_own.AbsentResponse.isEmpty()) {
        const QByteArray reply = m_own.AbsentResponse;
        const QByteArray bytes = Build(CMD_SEND_MESSAGE | OPT_AUTO_RETURN, reply);
        bool sent = true;
        if (isMember)
            SendTo(from, packet.Source.PeerPort, bytes);
        else
            sent = Reply(from, packet.Source.PeerPort, bytes);
        if (sent)
            m_events.OnAutoResponsed(from, reply);
    }
}

// Any receipt ends the wait: only one message is ever waiting.
void ProtocolEngine::OnReceipt(const ReceivedPacket&)
{
    m_receiptAwaited = false; // the timer finds nothing due when it fires
    m_sendBusy = 0;
}

void ProtocolEngine::OnCastMessage(const ReceivedPacket& packet)
{
    const QByteArray& from = packet.Source.PeerAddress;
    const MemberRecord* member = m_members.Find(from);
    if (member == nullptr)
        return;
    m_events.OnGroupMessageReceived(from, member->PortNo, packet.GroupPart,
                                    HandedOnText(packet.Extra));
}

void ProtocolEngine::OnReceiptTimeout()
{
    if (!m_receiptAwaited)
        return;
    // Armed for an earlier message: the current one is owed the rest of its wait.
    if (const qint64 left = m_receiptDue.remainingTime(); left > 0) {
        m_receiptTimer.start(int(left));
        return;
    }
    m_receiptAwaited = false;
    // Idle before the owner hears it: the owner's notice is modal, packets go on arriving
    // under it, and the user may send again from there.
    m_receiptTimer.stop();
    m_sendBusy = 0;
    m_events.OnReceiptTimedOut();
}
