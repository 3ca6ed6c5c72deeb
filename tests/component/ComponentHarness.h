#pragma once

#include "component/ErrorInfo.h"
#include "component/HeadlessServices.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"
#include "platform/MessageBoxService.h"
#include "support/FakeDatagramSocket.h"
#include "support/PrintQString.h"
#include "support/RecordingSink.h"

#include <QCoreApplication>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

// A component with a fake socket behind it, default timings (tests never run its timers)
// and headless services whose boxes are recorded; one sink records into `events`.
class ComponentHarness
{
public:
    static constexpr int Port = 2425;

    explicit ComponentHarness(bool advise = true, EngineTiming timing = {})
        : component(services.Services(), Options(timing), nullptr), sink(events)
    {
        TakeErrorInfo();
        component.put_PortNo(Port);
        component.put_MyAliase(QStringLiteral("自分"));
        if (advise)
            component.Advise(&sink);
    }
    PalavoIF::Options Options(EngineTiming timing)
    {
        PalavoIF::Options options;
        options.Timing = timing;
        options.MakeSocket = [this](QObject*) {
            ++socketsMade;
            auto socket = std::make_unique<FakeDatagramSocket>(sent, SocketOpens, OpenError);
            socket->FailBroadcast = FailBroadcast;
            Socket = socket.get();
            return socket;
        };
        options.Timing.DropWaitMs = 0;
        options.DebugFlag = false;
        return options;
    }

    // Enters and forgets what the entry sent.
    void Enter()
    {
        ASSERT_EQ(component.Entry(1, {}), S_OK);
        sent.clear();
    }

    // A datagram arriving as the socket would hand it over: the notification to the
    // component window, then the handler the dispatcher queued.
    void Receive(const QByteArray& from, const QByteArray& datagram, int port = Port)
    {
        QCoreApplication::postEvent(
            &component,
            new SocketMessage(WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, port},
                              datagram));
        QCoreApplication::sendPostedEvents(&component); // the notification
        QCoreApplication::sendPostedEvents(&component); // the queued packet
    }

    void ReceivePacket(const QByteArray& from, int32_t command, const QByteArray& extra,
                       std::optional<QByteArrayView> groupPart = std::nullopt,
                       uint32_t packetNo = 500)
    {
        Receive(from, BuildPacket({packetNo, "user", "host"}, command, extra, groupPart));
    }

    // Makes `address` a member the way the network does: its entry, then (when given)
    // its application information. Forgets what that exchange sent and raised.
    void AddMember(const QByteArray& address, const QString& alias, const char* appInfo)
    {
        ReceivePacket(address, CMD_ENTRY, Cp932::FromUnicode(alias));
        if (appInfo != nullptr)
            ReceivePacket(address, CMD_SEND_INFO, appInfo);
        sent.clear();
        events.clear();
    }

    // The sent datagrams as lines "10.0.0.2:2425 0x128 text", Japanese decoded, with
    // " groups=A,B" when a datagram has a group part.
    QStringList SentLines() const
    {
        QStringList lines;
        for (const SentDatagram& datagram : sent) {
            const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
            QString line = QStringLiteral("%1:%2 0x%3 %4")
                               .arg(QString::fromLatin1(datagram.Host))
                               .arg(datagram.Port)
                               .arg(packet.Command | packet.Options, 0, 16)
                               .arg(Cp932::ToUnicode(packet.Extra));
            if (!packet.GroupPart.isEmpty())
                line += QStringLiteral(" groups=") + Cp932::ToUnicode(packet.GroupPart);
            lines << line;
        }
        return lines;
    }

    QStringList BoxTexts() const
    {
        QStringList texts;
        for (const MessageBoxRequest& box : boxes.Shown())
            texts << box.Caption + QLatin1Char('|') + box.Text;
        return texts;
    }

    bool SocketOpens = true;
    int OpenError = 98;
    bool FailBroadcast = false;
    int socketsMade = 0;
    FakeDatagramSocket* Socket = nullptr;
    std::vector<SentDatagram> sent;

    HeadlessServices services;
    ScriptedMessageBoxService& boxes = services.MessageBoxes;
    PalavoIF component;
    QStringList events;
    RecordingSink sink;
};
