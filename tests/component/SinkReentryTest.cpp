// A host may call Drop or ReEntry from inside any event: the component then carries on
// with what it copied before raising the event, never with what the call freed (the
// member table's records, the UDP socket). This file is also built with AddressSanitizer
// in the fuzz tree (CTest entry asan_tests), where such a use fails the run.
#include "ComponentHarness.h"
#include "component/FileReceiveWindow.h"
#include "component/HeadlessServices.h"
#include "engine/UdpSocketWindow.h"
#include "support/EventWaiter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QRegularExpression>

#include <functional>

namespace
{

const QByteArray Peer = "10.0.0.2";

enum class Reaction { Drop, ReEntry };

// Records like any sink, and calls Drop or ReEntry from inside the first event whose
// line starts with `trigger`.
class ReactingSink : public RecordingSink
{
public:
    ReactingSink(QStringList& log, PalavoIF& component, QString trigger, Reaction reaction)
        : RecordingSink(log), m_log(log), m_component(component), m_trigger(std::move(trigger)),
          m_reaction(reaction)
    {
    }

    void MemberAdded(const QString& ip, int32_t port, VARIANT_BOOL exist, const QString& location,
                     const QString& alias, const QString& host, const QString& user,
                     const QString& groups) override
    {
        RecordingSink::MemberAdded(ip, port, exist, location, alias, host, user, groups);
        React();
    }
    void PresenseNotified(const QString& ip, VARIANT_BOOL exist, const QString& location) override
    {
        RecordingSink::PresenseNotified(ip, exist, location);
        React();
    }
    void MemberDeleted(const QString& ip) override
    {
        RecordingSink::MemberDeleted(ip);
        React();
    }
    void MessageReceived(const QString& ip, int32_t port, const QString& group,
                         const QString& message, VARIANT_BOOL isSecret) override
    {
        RecordingSink::MessageReceived(ip, port, group, message, isSecret);
        React();
    }
    void GroupMessageReceived(const QString& ip, int32_t port, const QString& group,
                              const QString& message) override
    {
        RecordingSink::GroupMessageReceived(ip, port, group, message);
        React();
    }
    void VoIPRequestReceived(const QString& ip, const QString& alias, int32_t port,
                             VARIANT_BOOL video, VARIANT_BOOL capT120) override
    {
        RecordingSink::VoIPRequestReceived(ip, alias, port, video, capT120);
        React();
    }
    void VoIPRejectReceived(const QString& ip) override
    {
        RecordingSink::VoIPRejectReceived(ip);
        React();
    }
    void VoIPRequestStopReceived(const QString& ip) override
    {
        RecordingSink::VoIPRequestStopReceived(ip);
        React();
    }

    bool Armed = false;

    // For events that reach the host by another way (a transfer window's view).
    void React()
    {
        if (!Armed || m_reacted || m_log.isEmpty() || !m_log.back().startsWith(m_trigger))
            return;
        m_reacted = true;
        m_log << (m_reaction == Reaction::Drop ? QStringLiteral("-> Drop")
                                               : QStringLiteral("-> ReEntry"));
        if (m_reaction == Reaction::Drop)
            m_component.Drop();
        else
            m_component.ReEntry();
    }

private:
    QStringList& m_log;
    PalavoIF& m_component;
    QString m_trigger;
    Reaction m_reaction;
    bool m_reacted = false;
};

struct Case {
    const char* what;
    QString trigger;
    std::function<void(ComponentHarness&)> prepare; // before the sink is armed
    std::function<void(ComponentHarness&)> happen;
    // What went out, from the moment the event happened, with each reaction.
    QStringList sentAfterDrop;
    QStringList sentAfterReEntry;
};

void Nothing(ComponentHarness&) {}

void AddTaro(ComponentHarness& h)
{
    h.AddMember(Peer, QStringLiteral("Taro"), "Palavo XP 1.0");
}

const QString Exit = QStringLiteral("255.255.255.255:2425 0x2 自分");
const QString Reentry = QStringLiteral("255.255.255.255:2425 0x1 自分");

TEST(SinkReentry, DropOrReEntryFromInsideAnEventLeavesNothingDangling)
{
    const QByteArray request = "<Command>RequestVoIP</Command><PortNo>5060</PortNo>";
    const QByteArray offer = "<Command>FileTransfer</Command><Sender>Taro</Sender><PortNo>2426"
                             "</PortNo><FileName>a.txt</FileName><FileSize>10</FileSize>";
    const Case cases[] = {
        {"MemberAdded on entry, before the newcomer is asked for its information", "MemberAdded",
         Nothing, [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_ENTRY, "Taro"); },
         QStringList({"10.0.0.2:2425 0x3 自分", Exit}),
         QStringList({"10.0.0.2:2425 0x3 自分", Reentry, "10.0.0.2:2425 0x40 自分"})},
        {"MemberAdded with the information, before the mail is asked for", "MemberAdded",
         [](ComponentHarness& h) { h.AddMember(Peer, "Taro", nullptr); },
         [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_SEND_INFO, "Palavo XP 1.0"); },
         QStringList({Exit}), QStringList({Reentry, "10.0.0.2:2425 0x48 自分"})},
        {"MessageReceived with a receipt still to send", "MessageReceived", AddTaro,
         [](ComponentHarness& h) {
             h.ReceivePacket(Peer, CMD_SEND_MESSAGE | OPT_SEND_CHECK, "hello", std::nullopt, 777);
         },
         QStringList({Exit}), QStringList({Reentry, "10.0.0.2:2425 0x21 777"})},
        {"MessageReceived from a stranger, still to be introduced to", "MessageReceived", Nothing,
         [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_SEND_MESSAGE, "hello"); },
         QStringList({Exit}), QStringList({Reentry, "10.0.0.2:2425 0x1 自分"})},
        {"MessageReceived while away, the absence reply still to send", "MessageReceived",
         [](ComponentHarness& h) {
             h.component.UpdatePresense(0, QStringLiteral("会議"), QStringLiteral("不在です"));
             AddTaro(h);
         },
         [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_SEND_MESSAGE, "hello"); },
         QStringList({Exit}),
         QStringList({"255.255.255.255:2425 0x101 自分[会議]", "10.0.0.2:2425 0x2020 不在です"})},
        {"RequestVoIP", "VoIPRequestReceived", AddTaro,
         [request](ComponentHarness& h) {
             h.ReceivePacket(Peer, CMD_XML_MESSAGE | OPT_SEND_CHECK, request, std::nullopt, 778);
         },
         QStringList({"10.0.0.2:2425 0x29 778", Exit}),
         QStringList({"10.0.0.2:2425 0x29 778", Reentry})},
        {"RejectVoIP", "VoIPRejectReceived", AddTaro,
         [](ComponentHarness& h) {
             h.ReceivePacket(Peer, CMD_XML_MESSAGE, "<Command>RejectVoIP</Command>");
         },
         QStringList({Exit}), QStringList({Reentry})},
        {"FileTransfer, from the receive window as it shows", "ReceiveWindowShown", AddTaro,
         [offer](ComponentHarness& h) {
             h.ReceivePacket(Peer, CMD_XML_MESSAGE | OPT_SEND_CHECK, offer, std::nullopt, 779);
         },
         QStringList({"10.0.0.2:2425 0x29 779", Exit}),
         QStringList({"10.0.0.2:2425 0x29 779", Reentry})},
        {"PresenseNotified", "PresenseNotified", AddTaro,
         [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_ABSENCE, "Taro"); },
         QStringList({Exit}), QStringList({Reentry})},
        {"MemberDeleted", "MemberDeleted", AddTaro,
         [](ComponentHarness& h) { h.ReceivePacket(Peer, CMD_EXIT, "Taro"); }, QStringList({Exit}),
         QStringList({Reentry})},
        {"GroupMessageReceived", "GroupMessageReceived", AddTaro,
         [](ComponentHarness& h) {
             h.ReceivePacket(Peer, CMD_CAST_MESSAGE, "hi", QByteArrayView("Dev"));
         },
         QStringList({Exit}), QStringList({Reentry})},
    };
    for (const Case& c : cases) {
        for (const Reaction reaction : {Reaction::Drop, Reaction::ReEntry}) {
            SCOPED_TRACE(c.what);
            SCOPED_TRACE(reaction == Reaction::Drop ? "Drop" : "ReEntry");
            ComponentHarness h(false);
            QStringList log;
            ReactingSink reacting(log, h.component, c.trigger, reaction);
            // A receive window tells the sink when it is first shown, as a host's dialog
            // might act on the offer at once.
            h.services.TransferViews.OnReceiveState = [&](const FileReceiveState& state) {
                if (!state.Visible)
                    return;
                log << QStringLiteral("ReceiveWindowShown ") + state.Headline;
                reacting.React();
            };
            RecordingSink after(log, QStringLiteral("after"));
            h.component.Advise(&reacting);
            h.component.Advise(&after); // still hears the event, from the copies
            h.Enter();
            c.prepare(h);
            h.sent.clear();
            log.clear();
            reacting.Armed = true;

            c.happen(h);
            h.services.TransferViews.OnReceiveState = nullptr;

            const qsizetype at = log.indexOf(QRegularExpression("-> .*")); // an exact match
            ASSERT_GE(at, 1) << log.join(QLatin1Char('\n')).toStdString();
            if (c.trigger != QStringLiteral("ReceiveWindowShown")) {
                EXPECT_EQ(log.value(at + 1), QStringLiteral("after:") + log.value(at - 1));
            }
            const QStringList& expected =
                reaction == Reaction::Drop ? c.sentAfterDrop : c.sentAfterReEntry;
            EXPECT_EQ(h.SentLines(), expected);
            // After Drop nothing more is told: no absence reply was sent, so none is
            // reported.
            if (reaction == Reaction::Drop) {
                EXPECT_EQ(log.mid(at + 2).filter(QRegularExpression("^[A-Z]")), QStringList{});
            }
        }
    }
}

// The real UDP socket, destroyed by Drop from inside the handler of a datagram it is
// handing over, with a second datagram of the same batch still waiting.
TEST(SinkReentry, DropFromInsideADatagramOfTheRealSocket)
{
    // A free port for the component: taken from the system, then given back.
    const int probe = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(probe, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length), 0);
    const int port = ntohs(local.sin_port);
    close(probe);

    // The real socket, but its entry and exit broadcasts stay at home.
    class QuietSocket : public UdpSocketWindow
    {
    public:
        using UdpSocketWindow::UdpSocketWindow;
        int Broadcast(QByteArrayView bytes) override { return static_cast<int>(bytes.size()); }
    };
    PalavoIF::Options options;
    options.MakeSocket = [](QObject* owner) {
        return std::make_unique<QuietSocket>(owner, false, QString());
    };
    options.DebugFlag = false;
    options.Timing.DropWaitMs = 0;
    HeadlessServices services;
    PalavoIF component(services.Services(), options, nullptr);
    component.put_PortNo(port);
    QStringList log;
    ReactingSink reacting(log, component, QStringLiteral("MessageReceived"), Reaction::Drop);
    reacting.Armed = true;
    component.Advise(&reacting);
    ASSERT_EQ(component.Entry(1, {}), S_OK);

    // Two messages from a stranger on the loopback, sent before the loop runs again, so
    // that one read takes both.
    const int peer = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(peer, 0);
    sockaddr_in sent{};
    sent.sin_family = AF_INET;
    sent.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    length = sizeof sent;
    ASSERT_EQ(bind(peer, reinterpret_cast<sockaddr*>(&sent), sizeof sent), 0);
    ASSERT_EQ(getsockname(peer, reinterpret_cast<sockaddr*>(&sent), &length), 0);
    for (const QByteArray& datagram : {BuildPacket({1, "u", "h"}, CMD_SEND_MESSAGE, "first"),
                                       BuildPacket({2, "u", "h"}, CMD_SEND_MESSAGE, "second")}) {
        ASSERT_EQ(sendto(peer, datagram.constData(), datagram.size(), 0,
                         reinterpret_cast<const sockaddr*>(&local), sizeof local),
                  datagram.size());
    }
    EXPECT_TRUE(WaitUntil([&] { return log.contains(QStringLiteral("-> Drop")); }));
    WaitUntil([] { return false; }, 100); // anything the closed socket might still hand over
    close(peer);

    EXPECT_EQ(
        log,
        QStringList(
            {QStringLiteral("MessageReceived 127.0.0.1:%1 [] first 0").arg(ntohs(sent.sin_port)),
             "-> Drop"}));
}

} // namespace
