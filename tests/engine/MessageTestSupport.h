#pragma once

#include "EngineHarness.h"
#include "support/EventWaiter.h"

#include <QDeadlineTimer>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

// Lines compared as one text, so that a failure shows them readably.
inline std::string Joined(const QStringList& lines)
{
    return lines.join(QStringLiteral(" | ")).toStdString();
}

// Short waits, so that time-outs can be awaited on the real event loop.
constexpr EngineTiming ShortTiming{150, 100, 0};

// One sent datagram as a line: "10.0.0.2:2425 0x120 hello", plus " groups=A,B" when the
// datagram has a group part. Texts are read as Latin-1: compare Japanese as bytes.
inline QString Describe(const SentDatagram& datagram)
{
    const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
    QString line = QStringLiteral("%1:%2 0x%3 %4")
                       .arg(QString::fromLatin1(datagram.Host))
                       .arg(datagram.Port)
                       .arg(packet.Command | packet.Options, 0, 16)
                       .arg(QString::fromLatin1(packet.Extra));
    if (!packet.GroupPart.isEmpty())
        line += QStringLiteral(" groups=") + QString::fromLatin1(packet.GroupPart);
    return line;
}

inline QStringList Describe(const std::vector<SentDatagram>& sent)
{
    QStringList lines;
    for (const SentDatagram& datagram : sent)
        lines << Describe(datagram);
    return lines;
}

// Keeps the event loop running for a while: for checking that something does NOT happen
// before a deadline (a resend, a notice), where there is no event to wait for.
inline void RunEventLoopFor(int ms)
{
    const QDeadlineTimer deadline(ms);
    WaitUntil([&] { return deadline.hasExpired(); }, ms + 1000);
}

// An entered engine with short timers and helpers to fill its member table the way the
// network does; what it asks its owner to tell the user is in Notices().
class EngineTest : public testing::Test
{
protected:
    void SetUp() override
    {
        h.engine->Own().Groups = "A,B";
        h.Enter();
    }

    // The member enters from the chat port, as peers do; what that exchange sent and
    // raised is forgotten.
    void AddMember(const QByteArray& address, const QByteArray& alias = "Taro")
    {
        h.ReceivePacket(address, 2425, CMD_ENTRY, alias, QByteArrayView("G"));
        ASSERT_NE(h.engine->Members().Find(address), nullptr) << address.constData();
        Forget();
    }

    void Forget()
    {
        h.sent.clear();
        h.events.Lines.clear();
        h.events.Messages.clear();
        h.events.Notices.clear();
    }

    const QStringList& Notices() const { return h.events.Notices; }

    EngineHarness h{ShortTiming};
};
