#include "ComponentHarness.h"
#include "engine/UdpSocketWindow.h"
#include "support/EventWaiter.h"
#include "support/FreePort.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <sys/socket.h>

namespace
{

const QString BusyText = QStringLiteral("ただいま先ほどのメッセージを送信中です。\n"
                                        "2-3秒後にメッセージ送信ボタンを押し直してください。");
const QString NotDeliveredText = QStringLiteral("メッセージは上手く送信されなかったようです。\n"
                                                "相手のマシンがダウンしている可能性があります。");

// Runs the event loop for a while, as a modal box or a sink's own dialog would.
void SpinEventLoop(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Outside a datagram (a user's call, a timer) the box is shown at once, owned by the
// component.
TEST(EngineNotices, OutsideADatagramTheBoxIsShownAtOnce)
{
    const QByteArray peer = "10.0.0.2";
    struct Case {
        const char* what;
        bool timeout;
        QString text;
        QString caption;
        MessageBoxIcon icon;
    };
    const Case cases[] = {
        {"a send while busy", false, BusyText, QStringLiteral("お願い"), MessageBoxIcon::None},
        {"no receipt", true, NotDeliveredText, QStringLiteral("お知らせ"),
         MessageBoxIcon::Information},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComponentHarness h(true, EngineTiming{50, 2000, 0});
        h.Enter();
        h.AddMember(peer, QStringLiteral("太郎"), "Palavo XP 1.0");
        ASSERT_EQ(h.component.SendPrivateMessage(QString::fromLatin1(peer), 1, "first"), S_OK);
        if (c.timeout)
            ASSERT_TRUE(WaitUntil([&] { return !h.boxes.Shown().empty(); }));
        else
            h.component.SendPrivateMessage(QString::fromLatin1(peer), 1, "second");
        ASSERT_EQ(h.boxes.Shown().size(), 1u); // before any posted event could run
        const MessageBoxRequest& box = h.boxes.Shown()[0];
        EXPECT_EQ(box.Text, c.text);
        EXPECT_EQ(box.Caption, c.caption);
        EXPECT_EQ(box.Icon, c.icon);
        EXPECT_EQ(box.Buttons, MessageBoxButtons::Ok);
        EXPECT_EQ(h.boxes.Owners()[0], &h.component);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(h.boxes.Shown().size(), 1u);
    }
}

// A box that records when it is shown into the log the sink writes, and runs the event
// loop for a moment as a modal box does.
class LoopingBoxes : public IMessageBoxService
{
public:
    explicit LoopingBoxes(QStringList& log) : m_log(log) {}
    MessageBoxAnswer Show(QObject*, const MessageBoxRequest& request) override
    {
        m_log << QStringLiteral("box ") + request.Caption;
        SpinEventLoop(20);
        return DefaultAnswer(request.Buttons);
    }

private:
    QStringList& m_log;
};

// Sends once more while the first message waits, from inside the event of message "m1";
// optionally runs an event loop of its own there, as a sink showing a dialog would.
class BusySink : public RecordingSink
{
public:
    BusySink(QStringList& log, IPalavoIF& component, bool ownLoop)
        : RecordingSink(log), m_component(component), m_ownLoop(ownLoop)
    {
    }
    void MessageReceived(const QString& ip, int32_t port, const QString& group,
                         const QString& message, VARIANT_BOOL isSecret) override
    {
        Record(QStringLiteral("MessageReceived ") + message);
        if (message != QLatin1String("m1"))
            return;
        m_component.SendPrivateMessage(ip, 1, QStringLiteral("second"));
        if (m_ownLoop)
            SpinEventLoop(30);
        (void)port, (void)group, (void)isSecret;
    }

private:
    IPalavoIF& m_component;
    bool m_ownLoop;
};

// A UDP socket on 127.0.0.1 at a port of its own: the peer, sending from the chat port.
struct LoopbackPeer {
    QUdpSocket socket;
    const int port = socket.bind(QHostAddress::LocalHost) ? socket.localPort() : 0;
    bool SendTo(int toPort, const QByteArray& bytes)
    {
        return socket.writeDatagram(bytes, QHostAddress::LocalHost, quint16(toPort)) ==
               bytes.size();
    }
};

// The component's real socket, on a port of its own instead of the chat port, which the
// peer holds on the same host.
class SocketOnOwnPort : public UdpSocketWindow
{
public:
    SocketOnOwnPort(QObject* owner, int port) : UdpSocketWindow(owner, false, {}), m_port(port) {}
    int Open(int, int ownerMessage, int receiveSize) override
    {
        return UdpSocketWindow::Open(m_port, ownerMessage, receiveSize);
    }

private:
    int m_port;
};

// A batch of datagrams during which a sink causes the busy box is handed over whole and
// in order; the box comes after it, once, also when the sink runs an event loop of its
// own inside the batch.
TEST(EngineNotices, ABoxCausedInsideADatagramBatchComesAfterIt)
{
    for (const bool ownLoop : {false, true}) {
        SCOPED_TRACE(ownLoop ? "the sink runs its own loop" : "a plain sink");
        QTemporaryDir dir;
        LoopbackPeer peer;
        const int componentPort = FreePort(SOCK_DGRAM);
        ASSERT_NE(peer.port, 0);
        ASSERT_NE(componentPort, 0);

        QStringList log;
        HeadlessServices headless;
        LoopingBoxes boxes(log);
        const PlatformServices services{boxes,          headless.Beeps,         headless.SaveAs,
                                        headless.Shell, headless.TransferViews, headless.OpenFile,
                                        headless.Calls, headless.Notifications};
        PalavoIF::Options options;
        options.MakeSocket = [componentPort](QObject* owner) {
            return std::make_unique<SocketOnOwnPort>(owner, componentPort);
        };
        options.Timing.DropWaitMs = 0;
        options.DebugFlag = false;
        options.SettingsDir = dir.path();
        PalavoIF component(services, std::move(options));
        BusySink sink(log, component, ownLoop);
        component.Advise(&sink);
        component.put_PortNo(peer.port);
        component.Entry(1, {}); // the broadcast may fail on a host without a route
        ASSERT_TRUE(component.Engine().IsEntered());

        auto packet = [](uint32_t number, int32_t command, const QByteArray& extra) {
            return BuildPacket({number, "user", "host"}, command, extra);
        };
        ASSERT_TRUE(peer.SendTo(componentPort, packet(1, CMD_ENTRY, "peer")));
        ASSERT_TRUE(WaitUntil([&] { return component.Engine().Members().Find("127.0.0.1"); }));
        component.SendPrivateMessage(QStringLiteral("127.0.0.1"), 1, QStringLiteral("first"));
        ASSERT_TRUE(component.Engine().SendBusy());
        log.clear();

        for (int i = 0; i < 4; ++i) // all waiting before the loop looks: one batch
            ASSERT_TRUE(peer.SendTo(componentPort,
                                    packet(10 + i, CMD_SEND_MESSAGE, "m" + QByteArray::number(i))));
        ASSERT_TRUE(WaitUntil([&] { return log.size() >= 5; }));
        SpinEventLoop(50); // time for a second box, which must not come
        EXPECT_EQ(log.join(QStringLiteral(" | ")).toStdString(),
                  "MessageReceived m0 | MessageReceived m1 | MessageReceived m2 | "
                  "MessageReceived m3 | box お願い");
        component.Unadvise(1);
    }
}

// How often the engine has a notice is the peers' choice: while one box of a kind is up,
// the same notice from a datagram or from the user adds none; once answered, the next may.
TEST(EngineNotices, OneBoxOfAKindAtATime)
{
    ComponentHarness h(false);
    h.Enter();
    h.AddMember("10.0.0.2", QStringLiteral("太郎"), "Palavo XP 1.0");
    BusySink sink(h.events, h.component, false); // sends again on every "m1"
    h.component.Advise(&sink);
    h.component.SendPrivateMessage("10.0.0.2", 1, "first"); // waits for its receipt
    h.boxes.WhileShown = [&] {
        h.component.SendPrivateMessage("10.0.0.2", 1, "pressed again");
        h.ReceivePacket("10.0.0.2", CMD_SEND_MESSAGE, "m1", std::nullopt, 502);
        QCoreApplication::sendPostedEvents();
    };
    h.ReceivePacket("10.0.0.2", CMD_SEND_MESSAGE, "m1", std::nullopt, 501);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(h.BoxTexts(), QStringList{"お願い|" + BusyText});
    h.component.SendPrivateMessage("10.0.0.2", 1, "after the box");
    EXPECT_EQ(h.boxes.Shown().size(), 2u);
}

} // namespace
