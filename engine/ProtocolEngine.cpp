#include "ProtocolEngine.h"

#include "engine/Commands.h"
#include "engine/PacketDispatcher.h"
#include "engine/SocketEvent.h"

#include <QThread>

namespace
{
// The engine receives datagrams of up to this many bytes; longer ones are dropped.
constexpr int ReceiveSize = 8192;
} // namespace

ProtocolEngine::ProtocolEngine(QObject* componentWindow, IEngineEvents& events,
                               SocketFactory makeSocket, EngineTiming timing, ReplyBudget replies)
    : m_window(componentWindow), m_events(events), m_makeSocket(std::move(makeSocket)),
      m_timing(timing), m_replies(replies)
{
    m_clock.start();
    // Coarse timers may fire up to 5% early, and a peer is owed its full wait.
    m_receiptTimer.setTimerType(Qt::PreciseTimer);
    m_receiptTimer.setSingleShot(true);
    QObject::connect(&m_receiptTimer, &QTimer::timeout, [this] { OnReceiptTimeout(); });
    m_xmlResendTimer.setTimerType(Qt::PreciseTimer);
    m_xmlResendTimer.setSingleShot(true);
    m_xmlResendTimer.setInterval(m_timing.XmlResendMs);
    QObject::connect(&m_xmlResendTimer, &QTimer::timeout, [this] { OnXmlResendTimeout(); });
}

// The socket is not closed with an exit broadcast here: the client calls Drop first.
ProtocolEngine::~ProtocolEngine() = default;

bool ProtocolEngine::Handle(QEvent* event)
{
    if (!IsWindowMessage(event))
        return false;
    const int message = static_cast<WindowMessage*>(event)->Message();
    if (message == WM_UDP_NOTIFY) {
        const auto* notification = dynamic_cast<SocketMessage*>(event);
        if (notification != nullptr && notification->Event.Kind == SocketEvent::DataReceived)
            DispatchDatagram(m_window, notification->Event, notification->Data,
                             m_own.UseHostlist != 0);
        return true;
    }
    const auto* queued = dynamic_cast<PacketMessage*>(event);
    if (queued == nullptr)
        return false;
    const ReceivedPacket& packet = queued->Packet;
    switch (message) {
    case WM_PACKET_ENTRY:
        OnEntry(packet);
        break;
    case WM_PACKET_ABSENCE:
        OnPresence(packet);
        break;
    case WM_PACKET_EXIT:
        OnExit(packet);
        break;
    case WM_PACKET_RECEIPT:
        OnReceipt(packet);
        break;
    case WM_PACKET_MESSAGE:
        OnMessage(packet);
        break;
    case WM_PACKET_GET_INFO:
        OnGetInfo(packet);
        break;
    case WM_PACKET_SEND_INFO:
        OnSendInfo(packet);
        break;
    case WM_PACKET_GET_ABSENCE:
        OnGetAbsenceInfo(packet);
        break;
    case WM_PACKET_SEND_ABSENCE:
        OnPresence(packet);
        break;
    case WM_PACKET_XML:
        OnXmlMessage(packet);
        break;
    case WM_PACKET_XML_RECEIPT:
        OnXmlReceipt(packet);
        break;
    case WM_PACKET_GET_MAIL:
        OnGetMail(packet);
        break;
    case WM_PACKET_SEND_MAIL:
        OnSendMail(packet);
        break;
    case WM_PACKET_CAST:
        OnCastMessage(packet);
        break;
    case WM_PACKET_HOST_LIST:
        // The flag may have been switched off since the answer was queued.
        if (m_own.UseHostlist != 0)
            OnHostList(packet);
        break;
    default:
        return false;
    }
    return true;
}

ProtocolEngine::EntryResult ProtocolEngine::Entry(const QByteArray& computerName,
                                                  const QByteArray& logonName)
{
    m_sendBusy = 0;
    m_receiptAwaited = false;
    m_receiptTimer.stop();
    m_xmlResendTimer.stop();
    if (m_socket == nullptr) {
        std::unique_ptr<IDatagramSocket> socket = m_makeSocket(m_window);
        if (socket == nullptr)
            return {false, true, 0};
        if (socket->Open(m_own.PortNo, WM_UDP_NOTIFY, ReceiveSize) == 0)
            return {false, true, socket->LastError()}; // discarded, so the next Entry retries
        m_socket = std::move(socket);
    }
    m_own.MyHostName = computerName;
    m_own.MyUserName = logonName;
    m_own.Exist = 1;

    const QByteArray packet = Build(CMD_ENTRY, m_own.MyAliase, OwnGroupPart());
    if (m_socket->Broadcast(packet) < 0)
        return {false, false, m_socket->LastError()};
    SendDirectedCopies(*m_socket, m_own.BroadCastIPAddresses, m_own.PortNo, packet);
    RememberHostListServers();
    return {};
}

void ProtocolEngine::ReEntry()
{
    m_members.Clear(); // no MemberDeleted: everybody is asked again at once
    if (m_socket == nullptr)
        return;
    BroadcastAll(Build(CMD_ENTRY | AbsenceOption(), PresenceExtra(), OwnGroupPart()));
    RememberHostListServers();
}

void ProtocolEngine::UpdatePresense(int32_t exist, const QByteArray& location,
                                    const QByteArray& absentResponse)
{
    m_own.Location = location;
    m_own.Exist = exist;
    m_own.AbsentResponse = absentResponse;
    const int32_t command = CMD_ABSENCE | (exist != 0 ? 0 : OPT_ABSENCE);
    const QByteArray packet = Build(command, PresenceExtra(), OwnGroupPart());
    if (m_socket == nullptr)
        return;
    m_socket->Broadcast(packet);
    // The directed copies go without the group part: the text and its NUL only.
    const QByteArray textOnly = packet.left(packet.indexOf('\0') + 1);
    SendDirectedCopies(*m_socket, m_own.BroadCastIPAddresses, m_own.PortNo, textOnly);
}

void ProtocolEngine::Drop()
{
    m_members.Clear();
    const QByteArray packet = Build(CMD_EXIT, m_own.MyAliase);
    if (m_socket == nullptr)
        return;
    BroadcastAll(packet);
    // Give the exit datagram time to leave before the port closes.
    QThread::msleep(static_cast<unsigned long>(m_timing.DropWaitMs));
    m_socket.reset();
}

PacketHeader ProtocolEngine::Header()
{
    return {m_counter.Next(), m_own.MyUserName, m_own.MyHostName};
}

QByteArray ProtocolEngine::Build(int32_t command, QByteArrayView extra,
                                 std::optional<QByteArrayView> groupPart)
{
    return BuildPacket(Header(), command, extra, groupPart);
}

QByteArray ProtocolEngine::OwnGroupPart() const
{
    return GroupPartFromGroups(m_own.Groups, m_own.UseHostlist != 0);
}

QByteArray ProtocolEngine::PresenceExtra() const
{
    return m_own.Exist != 0 ? m_own.MyAliase : AbsentExtra(m_own.MyAliase, m_own.Location);
}

int ProtocolEngine::SendTo(QByteArrayView address, int port, QByteArrayView bytes)
{
    return m_socket != nullptr ? m_socket->SendTo(address, port, bytes) : -1;
}

bool ProtocolEngine::Reply(const QByteArray& address, int port, QByteArrayView bytes)
{
    if (!m_replies.Allow(address, m_clock.elapsed()))
        return false;
    SendTo(address, port, bytes);
    return true;
}

int ProtocolEngine::BroadcastAll(QByteArrayView bytes)
{
    if (m_socket == nullptr)
        return -1;
    const int sent = m_socket->Broadcast(bytes);
    SendDirectedCopies(*m_socket, m_own.BroadCastIPAddresses, m_own.PortNo, bytes);
    return sent;
}
