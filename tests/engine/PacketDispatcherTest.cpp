#include "engine/PacketDispatcher.h"

#include "engine/Commands.h"
#include "support/EventWaiter.h"

#include <QObject>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace
{

// Stands in for the component window: keeps every packet message it is sent.
class RecordingWindow : public QObject
{
public:
    struct Received {
        int Message;
        ReceivedPacket Packet;
    };
    std::vector<Received> Messages;

protected:
    bool event(QEvent* event) override
    {
        if (!IsWindowMessage(event))
            return QObject::event(event);
        const auto* message = dynamic_cast<PacketMessage*>(event);
        EXPECT_NE(message, nullptr) << "a window message that is not a packet";
        if (message != nullptr)
            Messages.push_back({message->Message(), message->Packet});
        return true;
    }
};

QByteArray Datagram(int packetNo, int32_t commandValue, const char* extra = "x")
{
    return QByteArray::number(1) + ':' + QByteArray::number(packetNo) +
           ":u:h:" + QByteArray::number(commandValue) + ':' + extra + '\0';
}

const SocketEvent From{SocketEvent::DataReceived, "10.0.0.7", 2425};

} // namespace

TEST(PacketDispatcher, RoutesEveryCommandCodeInArrivalOrder)
{
    const std::map<int, int> routed = {
        {CMD_ENTRY, WM_USER + 300},
        {CMD_ANSWER_ENTRY, WM_USER + 300},
        {CMD_ABSENCE, WM_USER + 301},
        {CMD_EXIT, WM_USER + 302},
        {CMD_RECEIPT, WM_USER + 304},
        {CMD_SEND_MESSAGE, WM_USER + 305},
        {CMD_GET_INFO, WM_USER + 306},
        {CMD_SEND_INFO, WM_USER + 307},
        {CMD_GET_ABSENCE_INFO, WM_USER + 308},
        {CMD_SEND_ABSENCE_INFO, WM_USER + 309},
        {CMD_XML_MESSAGE, WM_USER + 310},
        {CMD_XML_RECEIPT, WM_USER + 311},
        {CMD_GET_MAIL, WM_USER + 312},
        {CMD_SEND_MAIL, WM_USER + 313},
        {CMD_CAST_MESSAGE, WM_USER + 314},
        {CMD_ANSWER_LIST, WM_USER + 315}, // only while the host list is in use
    };

    RecordingWindow window;
    struct Expected {
        int message, packetNo;
    };
    std::vector<Expected> expected;
    int packetNo = 0;
    for (const bool useHostlist : {false, true}) {
        for (int code = 0; code <= 0xFF; ++code) {
            const auto it = routed.find(code);
            int message = it == routed.end() ? 0 : it->second;
            if (code == CMD_ANSWER_LIST && !useHostlist)
                message = 0;
            EXPECT_EQ(MessageForCommand(code, useHostlist), message) << code;

            // Option bits never change the route.
            const int32_t value = code | (code % 2 ? OPT_SEND_CHECK : OPT_AUTO_RETURN);
            ++packetNo;
            const size_t before = window.Messages.size();
            const bool handled =
                DispatchDatagram(&window, From, Datagram(packetNo, value), useHostlist);
            EXPECT_EQ(handled, message != 0) << code;
            // Handled before the call returns: the socket hands datagrams over from
            // the event loop, and a queued hop would cost a wake-up per datagram.
            EXPECT_EQ(window.Messages.size(), before + (message != 0 ? 1 : 0)) << code;
            if (message != 0)
                expected.push_back({message, packetNo});
        }
    }
    ASSERT_EQ(expected.size(), 31u);
    ASSERT_EQ(window.Messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(window.Messages[i].Message, expected[i].message) << i;
        EXPECT_EQ(window.Messages[i].Packet.PacketNo, expected[i].packetNo) << i;
        EXPECT_EQ(window.Messages[i].Packet.Source.PeerAddress, "10.0.0.7");
        EXPECT_EQ(window.Messages[i].Packet.Extra, "x");
    }
}

TEST(PacketDispatcher, DropsWhatHasNoHandler)
{
    struct Case {
        const char* what;
        QByteArray datagram;
    };
    const Case cases[] = {
        {"empty datagram", QByteArray()},
        {"header only", "1:2"},
        {"non-numeric command", "1:2:u:h:entry:x"},
        {"unknown code", Datagram(3, 0x30)},
        {"code beyond the low byte", Datagram(4, 0x100)},
        {"host list while unused", Datagram(5, CMD_ANSWER_LIST)},
    };
    RecordingWindow window;
    for (const Case& c : cases)
        EXPECT_FALSE(DispatchDatagram(&window, From, c.datagram, false)) << c.what;
    EXPECT_FALSE(DispatchDatagram(nullptr, From, Datagram(6, CMD_ENTRY), false));

    QCoreApplication::processEvents();
    ASSERT_TRUE(DispatchDatagram(&window, From, Datagram(99, CMD_EXIT), false));
    ASSERT_EQ(window.Messages.size(), 1u);
    EXPECT_EQ(window.Messages[0].Packet.PacketNo, 99);
}

TEST(PacketDispatcher, RepeatsAndSourcesPassThroughUnchanged)
{
    RecordingWindow window;
    const SocketEvent a{SocketEvent::DataReceived, "10.0.0.1", 2425};
    const SocketEvent b{SocketEvent::DataReceived, "10.0.0.2", 40000};
    const QByteArray message = Datagram(10, 0x120, "hello") + "Sales" + '\0';

    // No memory of packet numbers: the same datagram twice is two messages.
    EXPECT_TRUE(DispatchDatagram(&window, a, message, false));
    EXPECT_TRUE(DispatchDatagram(&window, b, message, false));
    EXPECT_TRUE(DispatchDatagram(&window, a, Datagram(11, CMD_RECEIPT, "10"), false));
    // An entry made from the host list reaches the same handler, queued.
    ReceivedPacket fromList;
    fromList.Command = CMD_ENTRY;
    fromList.PacketNo = 100;
    fromList.Source = {SocketEvent::EntryFromHostList, "10.0.0.9", 2425};
    EXPECT_TRUE(PostPacket(&window, fromList, false));

    ASSERT_TRUE(WaitUntil([&] { return window.Messages.size() >= 4; }));
    ASSERT_EQ(window.Messages.size(), 4u);
    EXPECT_EQ(window.Messages[0].Message, WM_PACKET_MESSAGE);
    EXPECT_EQ(window.Messages[0].Packet.Source.PeerAddress, "10.0.0.1");
    EXPECT_EQ(window.Messages[0].Packet.Extra, "hello");
    EXPECT_EQ(window.Messages[0].Packet.GroupPart, "Sales");
    EXPECT_EQ(window.Messages[0].Packet.Options, OPT_SEND_CHECK);
    EXPECT_EQ(window.Messages[1].Message, WM_PACKET_MESSAGE);
    EXPECT_EQ(window.Messages[1].Packet.Source.PeerAddress, "10.0.0.2");
    EXPECT_EQ(window.Messages[1].Packet.Source.PeerPort, 40000);
    EXPECT_EQ(window.Messages[2].Message, WM_PACKET_RECEIPT);
    EXPECT_EQ(window.Messages[3].Message, WM_PACKET_ENTRY);
    EXPECT_EQ(window.Messages[3].Packet.Source.PeerAddress, "10.0.0.9");
}
