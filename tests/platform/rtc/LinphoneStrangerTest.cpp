// What a host that is not the partner can do to a call client's SIP port, and what a peer
// in a call cannot: push video on a user who chose voice, or transfer the call.
#include "RtcTestClient.h"

#include "platform/rtc/LinphoneSession.h"
#include "support/EventWaiter.h"

#include <QRegularExpression>

#include <gtest/gtest.h>
#include <linphone++/linphone.hh>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// The code of the final answer to `method` sent over TCP to 127.0.0.1:`port`; 0 for none.
// (OPTIONS the library answers itself, with 200.)
int SipAnswer(int port, const QByteArray& method, const QByteArray& headers)
{
    const QByteArray request = method +
                               " sip:a@127.0.0.1 SIP/2.0\r\nVia: SIP/2.0/TCP 127.0.0.1"
                               ":9;rport;branch=z9hG4bK" +
                               method +
                               "\r\nFrom: <sip:x@127.0.0.1>;"
                               "tag=1\r\nTo: <sip:a@127.0.0.1>\r\nCall-ID: " +
                               method + "\r\nCSeq: 1 " + method + "\r\n" + headers +
                               "Content-Length: 0\r\n\r\n";
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{AF_INET, htons(uint16_t(port)), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 ||
        ::send(fd, request.constData(), size_t(request.size()), 0) != request.size())
        return close(fd), -1;
    QByteArray answer;
    WaitUntil([&] {
        char buffer[2048];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        answer.append(buffer, std::max<ssize_t>(n, 0));
        return n == 0 || QString::fromLatin1(answer).contains(QRegularExpression("SIP/2.0 [2-6]"));
    });
    close(fd);
    const qsizetype last = answer.lastIndexOf("SIP/2.0 ");
    return last < 0 ? 0 : answer.mid(last + 8, 3).toInt();
}

std::shared_ptr<linphone::Call> CallOf(const std::shared_ptr<rtc::ISession>& session)
{
    return std::dynamic_pointer_cast<rtc::LinphoneSession>(session)->Call();
}
} // namespace

TEST(LinphoneStranger, ChatSubscriptionsPresenceAndTransfersAreDeclined)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    RtcTestClient client(FileSetup({}, QStringLiteral("/dev/null")), 3, true);
    ASSERT_EQ(client.Start("a"), QString());
    EXPECT_EQ(SipAnswer(client.Port(), "MESSAGE", "Content-Type: text/plain\r\n"), 488);
    EXPECT_EQ(SipAnswer(client.Port(), "SUBSCRIBE", "Event: message-summary\r\n"), 603);
    // Without Expires: the library itself would crash answering it 200.
    EXPECT_EQ(SipAnswer(client.Port(), "SUBSCRIBE", "Event: presence\r\n"), 603);
    EXPECT_EQ(SipAnswer(client.Port(), "REFER", "Refer-To: <sip:b@127.0.0.1:9>\r\n"), 603);
}

TEST(LinphoneStranger, NoVideoTheAnswerDeclinedAndNoTransfer)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    rtc::CoreSetup setup = FileSetup({}, QStringLiteral("/dev/null"));
    setup.TestCamera = true;
    RtcTestClient caller(setup, 3, true), callee(setup, 15, false);
    ASSERT_EQ(caller.Start("caller") + callee.Start("callee"), QString());
    callee.Session = callee.Client().CreateSession().value;
    ASSERT_TRUE(callee.Session->AddParticipant(caller.CallAddress(), "callee").ok());
    ASSERT_TRUE(WaitUntil([&] { return caller.Count("participant Connected") == 1; }));
    EXPECT_EQ(caller.Session->Participant(1)->RemoteHost(), "127.0.0.1");
    // The peer asks to add video, then to transfer the call elsewhere.
    const auto call = CallOf(callee.Session);
    const auto running = [&] { return call->getState() == linphone::Call::State::StreamsRunning; };
    ASSERT_TRUE(WaitUntil(running));
    const auto params = call->getCore()->createCallParams(call);
    params->enableVideo(true);
    ASSERT_EQ(call->update(params), 0);
    EXPECT_TRUE(WaitUntil(running));
    EXPECT_FALSE(CallOf(caller.Session)->getCurrentParams()->videoEnabled());
    EXPECT_EQ(caller.Count("media 8 Started") + callee.Count("media 8 Started"), 0);
    ASSERT_EQ(call->transferTo(linphone::Factory::get()->createAddress(
                  rtc::CallTarget(callee.CallAddress()).toStdString())),
              0);
    // Ended after the REFER: the caller placed no call of its own.
    callee.Session->Terminate(rtc::NormalTermination);
    const auto core = CallOf(caller.Session)->getCore();
    EXPECT_TRUE(WaitUntil([&] { return core->getCallsNb() == 0; }));
    for (const auto& log : core->getCallLogs())
        EXPECT_EQ(log->getDir(), linphone::Call::Dir::Incoming);
}
