// What a host that is not the partner can do to a call client's SIP port, and what a peer
// in a call cannot: push video on a user who chose voice, or transfer the call.
#include "RtcTestClient.h"

#include "platform/rtc/LinphoneSession.h"
#include "support/EventWaiter.h"

#include <QTcpSocket>

#include <gtest/gtest.h>
#include <linphone++/linphone.hh>

namespace
{
// The code of the final answer to `method`, sent over TCP to 127.0.0.1:`port`; 0 for none.
int SipAnswer(int port, const QString& method, const QString& headers)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    socket.write(
        QStringLiteral(
            "%1 sip:a@127.0.0.1 SIP/2.0\r\nVia: SIP/2.0/TCP 127.0.0.1:9;rport;branch=z9hG4bK%1"
            "\r\nFrom: <sip:x@127.0.0.1>;tag=1\r\nTo: <sip:a@127.0.0.1>\r\nCall-ID: %1"
            "\r\nCSeq: 1 %1\r\n%2Content-Length: 0\r\n\r\n")
            .arg(method, headers)
            .toLatin1());
    QByteArray answer;
    WaitUntil([&] {
        answer += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState ||
               answer.lastIndexOf("SIP/2.0 1") < answer.lastIndexOf("SIP/2.0 ");
    });
    const qsizetype last = answer.lastIndexOf("SIP/2.0 ");
    return last < 0 ? 0 : answer.mid(last + 8, 3).toInt();
}
} // namespace

TEST(LinphoneStranger, ChatSubscriptionsPresenceTransfersAndOptionsAreDeclined)
{
    ASSERT_EQ(LinphoneStartFailure(), QString());
    RtcTestClient client(FileSetup({}, QStringLiteral("/dev/null")), 3, true);
    ASSERT_EQ(client.Start("a"), QString());
    const std::tuple<const char*, const char*, int> requests[] = {
        {"MESSAGE", "Content-Type: text/plain\r\n", 488},
        {"SUBSCRIBE", "Event: message-summary\r\n", 603},
        {"SUBSCRIBE", "Event: presence\r\n", 603}, // without Expires the library would crash
        {"REFER", "Refer-To: <sip:b@127.0.0.1:9>\r\n", 603},
        {"OPTIONS", "", 403}, // the library would tell anyone what listens here
    };
    for (const auto& [method, headers, code] : requests)
        EXPECT_EQ(SipAnswer(client.Port(), method, headers), code) << method << " " << headers;
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
    const auto call = std::dynamic_pointer_cast<rtc::LinphoneSession>(callee.Session)->Call();
    const auto running = [&] { return call->getState() == linphone::Call::State::StreamsRunning; };
    ASSERT_TRUE(WaitUntil(running));
    const auto params = call->getCore()->createCallParams(call);
    params->enableVideo(true);
    ASSERT_EQ(call->update(params), 0);
    EXPECT_TRUE(WaitUntil(running));
    EXPECT_EQ(caller.Client().CallMedia(), std::vector<int>{3});
    EXPECT_EQ(caller.Count("media 8 Started") + callee.Count("media 8 Started"), 0);
    ASSERT_EQ(call->transferTo(linphone::Factory::get()->createAddress(
                  rtc::CallTarget(callee.CallAddress()).toStdString())),
              0);
    // Ended after the REFER: the caller placed no call of its own.
    const auto first = std::dynamic_pointer_cast<rtc::LinphoneSession>(caller.Session)->Call();
    callee.Session->Terminate(rtc::NormalTermination);
    EXPECT_TRUE(WaitUntil([&] { return caller.Client().CallMedia().empty(); }));
    for (const auto& log : first->getCore()->getCallLogs())
        EXPECT_EQ(log->getDir(), linphone::Call::Dir::Incoming);
}
