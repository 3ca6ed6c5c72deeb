#pragma once

#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/ProtocolEngine.h"
#include "engine/SocketEvent.h"
#include "support/FakeDatagramSocket.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

// Records every engine event as one readable line, e.g.
// "MemberAdded 10.0.0.2:2425 exist=1 loc= alias=Taro host=h user=u groups=A,B app=".
class RecordingEvents : public IEngineEvents
{
public:
    void OnMemberAdded(const MemberRecord& m) override
    {
        Added.push_back(m);
        Lines << QStringLiteral("MemberAdded %1:%2 exist=%3 loc=%4 alias=%5 host=%6 user=%7 "
                                "groups=%8 app=%9")
                     .arg(m.IPAddress)
                     .arg(m.PortNo)
                     .arg(m.Exist)
                     .arg(m.Location, m.Aliase, m.HostName, m.UserName, m.GroupNames, m.AppInfo);
    }
    void OnPresenseNotified(const QByteArray& address, int32_t exist,
                            const QByteArray& location) override
    {
        Lines << QStringLiteral("PresenseNotified %1 exist=%2 loc=%3")
                     .arg(address)
                     .arg(exist)
                     .arg(location);
    }
    void OnMemberDeleted(const QByteArray& address) override
    {
        Lines << QStringLiteral("MemberDeleted %1").arg(address);
    }
    void OnMessageReceived(const QByteArray& address, int32_t port, const QByteArray& groupName,
                           const QByteArray& message, bool isSecret) override
    {
        Lines << QStringLiteral("MessageReceived %1:%2 group=%3 secret=%4 text=%5")
                     .arg(address)
                     .arg(port)
                     .arg(groupName)
                     .arg(isSecret)
                     .arg(message);
        Messages.push_back(message);
    }
    void OnGroupMessageReceived(const QByteArray& address, int32_t port,
                                const QByteArray& groupName, const QByteArray& message) override
    {
        Lines << QStringLiteral("GroupMessageReceived %1:%2 group=%3 text=%4")
                     .arg(address)
                     .arg(port)
                     .arg(groupName, message);
        Messages.push_back(message);
    }
    void OnAutoResponsed(const QByteArray& address, const QByteArray& message) override
    {
        Lines << QStringLiteral("AutoResponsed %1 text=%2").arg(address, message);
    }
    void OnXmlCommand(const QByteArray& command, const MemberRecord& sender,
                      const XmlElementList& elements) override
    {
        QString line = QStringLiteral("Xml %1 from=%2").arg(command, sender.IPAddress);
        for (const auto& [name, value] : elements.Elements())
            line += QStringLiteral(" %1=%2").arg(name, value);
        Lines << line;
    }
    void OnSendWhileBusy() override { Notices << QStringLiteral("SendWhileBusy"); }
    void OnReceiptTimedOut() override
    {
        Notices << QStringLiteral("ReceiptTimedOut busy=%1").arg(Engine->SendBusy());
    }

    const ProtocolEngine* Engine = nullptr; // read when a notice is raised
    QStringList Notices;                    // what the owner is asked to tell the user, in order
    QStringList Lines;                // ASCII texts read as Latin-1; compare Japanese via Messages
    std::vector<QByteArray> Messages; // raw message bytes, for exact comparisons
    std::vector<MemberRecord> Added;  // every MemberAdded record, bytes as raised
};

// The component window of the tests: hands every window message to the engine.
class EngineWindow : public QObject
{
public:
    ProtocolEngine* Engine = nullptr;

protected:
    bool event(QEvent* e) override
    {
        return (Engine != nullptr && Engine->Handle(e)) || QObject::event(e);
    }
};

// An engine with a fake socket, entered as "me" on port 2425 unless told otherwise.
struct EngineHarness {
    explicit EngineHarness(EngineTiming timing = {}, ReplyBudget replies = {})
    {
        engine = std::make_unique<ProtocolEngine>(
            &window, events,
            [this](QObject*) {
                auto socket = std::make_unique<FakeDatagramSocket>(sent, SocketOpens);
                Socket = socket.get();
                return socket;
            },
            timing, replies);
        window.Engine = engine.get();
        events.Engine = engine.get();
        engine->Own().PortNo = 2425;
        engine->Own().MyAliase = "me";
    }
    ~EngineHarness() { window.Engine = nullptr; }

    void Enter()
    {
        engine->Entry("myhost", "myuser");
        sent.clear();
    }

    // A datagram from a peer, through the real dispatcher and the event queue.
    void Receive(const QByteArray& from, int port, const QByteArray& datagram)
    {
        auto message = std::make_unique<SocketMessage>(
            WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, port}, datagram);
        QCoreApplication::sendEvent(&window, message.get());
        QCoreApplication::sendPostedEvents(&window); // the queued handler runs now
    }

    // Builds a packet the way a peer "user@host" would and receives it.
    void ReceivePacket(const QByteArray& from, int port, int32_t command, const QByteArray& extra,
                       std::optional<QByteArrayView> groupPart = std::nullopt,
                       uint32_t packetNo = 500)
    {
        Receive(from, port, BuildPacket({packetNo, "user", "host"}, command, extra, groupPart));
    }

    // The parsed form of the i-th sent datagram.
    ReceivedPacket SentPacket(std::size_t i) const
    {
        return ParsePacket(sent.at(i).Bytes, SocketEvent{});
    }

    bool SocketOpens = true;
    EngineWindow window;
    RecordingEvents events;
    std::vector<SentDatagram> sent;
    FakeDatagramSocket* Socket = nullptr;
    std::unique_ptr<ProtocolEngine> engine;
};
