// What a host on the LAN that is not the partner can do to a call client: find out who
// placed a call, talk SIP to its port, push video on a user who chose voice.
#include "RtcTestClient.h"

#include "platform/rtc/LinphoneSession.h"
#include "support/EventWaiter.h"
#include "support/PrintQString.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <linphone++/linphone.hh>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int Voice = rtc::AudioSend | rtc::AudioReceive;
constexpr int Video = Voice | rtc::VideoSend | rtc::VideoReceive;

// The status code of the first answer to `request` sent over TCP to 127.0.0.1:`port` that
// is not provisional; 0 when the connection closed or nothing final came.
int SipAnswer(int port, const QByteArray& request)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
    QByteArray pending = request, received;
    int code = 0;
    WaitUntil(
        [&] {
            if (!pending.isEmpty()) {
                const ssize_t n = ::send(fd, pending.constData(), size_t(pending.size()), 0);
                if (n > 0)
                    pending.remove(0, n);
            }
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n == 0)
                return true;
            if (n > 0)
                received.append(buffer, n);
            for (const QByteArray& line : received.split('\n'))
                if (line.startsWith("SIP/2.0 ") && line.mid(8, 3).toInt() >= 200)
                    return (code = line.mid(8, 3).toInt()) != 0;
            return false;
        },
        5000);
    close(fd);
    return code;
}

QByteArray SipRequest(const char* method, int port, const QByteArray& extra,
                      const QByteArray& body = {})
{
    static int n = 0;
    const QByteArray id = QByteArray::number(++n);
    return QByteArray(method) + " sip:caller@127.0.0.1:" + QByteArray::number(port) +
           ";transport=tcp SIP/2.0\r\nVia: SIP/2.0/TCP 127.0.0.1:5999;rport;branch=z9hG4bKs" + id +
           "\r\nFrom: <sip:stranger@127.0.0.1>;tag=s" + id +
           "\r\nTo: <sip:caller@127.0.0.1>\r\nCall-ID: s" + id + "@stranger\r\nCSeq: 1 " +
           method + "\r\nContact: <sip:stranger@127.0.0.1:5999;transport=tcp>\r\n" +
           "Max-Forwards: 70\r\n" + extra + "Content-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// The UDP ports this process has open.
QList<int> OwnUdpPorts()
{
    QSet<QString> sockets;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System))
        if (const QString target = fd.symLinkTarget(); target.contains(QLatin1String("socket:")))
            sockets << target.section(u'[', 1).section(u']', 0, 0);
    QList<int> ports;
    for (const char* table : {"/proc/self/net/udp", "/proc/self/net/udp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() > 9 && sockets.contains(QString::fromLatin1(f[9])))
                ports << f[1].split(':').last().toInt(nullptr, 16);
        }
    }
    return ports;
}

std::shared_ptr<linphone::Call> CallOf(const std::shared_ptr<rtc::ISession>& session)
{
    const auto linphoneSession = std::dynamic_pointer_cast<rtc::LinphoneSession>(session);
    return linphoneSession ? linphoneSession->Call() : nullptr;
}
} // namespace

TEST(LinphoneStranger, RequestsOtherThanCallsAreDeclinedAndSipIsOnTcpOnly)
{
    if (const QString why = LinphoneMissing(); !why.isEmpty())
        GTEST_SKIP() << why;
    RtcTestClient client(FileSetup({}, QStringLiteral("/dev/null")), Voice, true);
    ASSERT_EQ(client.Start("caller"), QString());
    const int port = client.Port();
    // OPTIONS and presence SUBSCRIBE are answered 200 by the library itself, before
    // anything of ours is asked; they are not checked here.
    struct Case {
        const char* method;
        QByteArray extra, body;
    };
    const Case cases[] = {
        {"MESSAGE", "Content-Type: text/plain\r\n", "hello"},
        {"SUBSCRIBE", "Event: message-summary\r\nExpires: 60\r\n", {}},
        {"REFER", "Refer-To: <sip:victim@127.0.0.1:5998;transport=tcp>\r\n", {}},
    };
    for (const Case& c : cases) {
        const int code = SipAnswer(port, SipRequest(c.method, port, c.extra, c.body));
        EXPECT_TRUE(code == 0 || code >= 400) << c.method << " answered " << code;
    }
    EXPECT_EQ(client.Count("session Incoming"), 0);
    EXPECT_EQ(OwnUdpPorts(), QList<int>()) << "no SIP over UDP";
}

TEST(LinphoneStranger, TheCallerSeesWhereTheCallCameFromAndVideoStaysOffWhenDeclined)
{
    if (const QString why = LinphoneMissing(); !why.isEmpty())
        GTEST_SKIP() << why;
    rtc::CoreSetup setup = FileSetup({}, QStringLiteral("/dev/null"));
    setup.TestCamera = true;
    // The caller chose voice; the callee pushes video, first in its call, then later.
    RtcTestClient caller(setup, Voice, true);
    RtcTestClient callee(setup, Video, false);
    ASSERT_EQ(caller.Start("caller"), QString());
    ASSERT_EQ(callee.Start("callee"), QString());
    auto placed = callee.Client().CreateSession();
    ASSERT_TRUE(placed.ok());
    callee.Session = placed.value;
    ASSERT_TRUE(placed.value->AddParticipant(caller.CallAddress(), "callee").ok());
    ASSERT_TRUE(WaitUntil([&] {
        return caller.Count("participant Connected") && callee.Count("participant Connected");
    })) << caller.Events.join(", ");
    EXPECT_EQ(caller.Session->Participant(1)->RemoteHost(), "127.0.0.1");
    EXPECT_EQ(callee.Session->Participant(1)->RemoteHost(), "127.0.0.1");

    const auto call = CallOf(callee.Session);
    ASSERT_TRUE(call);
    const auto params = call->getCore()->createCallParams(call);
    ASSERT_TRUE(params);
    params->enableVideo(true);
    ASSERT_EQ(call->update(params), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return call->getState() == linphone::Call::State::StreamsRunning &&
               CallOf(caller.Session)->getState() == linphone::Call::State::StreamsRunning;
    }));
    EXPECT_FALSE(CallOf(caller.Session)->getCurrentParams()->videoEnabled());
    EXPECT_FALSE(call->getCurrentParams()->videoEnabled());
    EXPECT_EQ(caller.Count("media 8 Started") + callee.Count("media 8 Started"), 0);
    callee.Session->Terminate(rtc::NormalTermination);
    EXPECT_TRUE(WaitUntil([&] { return caller.Count("participant Disconnected") == 1; }));
}
