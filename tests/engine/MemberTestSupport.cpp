#include "MemberTestSupport.h"

#include <QCoreApplication>

namespace
{

// A datagram as one line: "host:port bytes", each NUL shown as '|'.
QString Raw(const SentDatagram& d)
{
    return QStringLiteral("%1:%2 %3")
        .arg(QString::fromLatin1(d.Host))
        .arg(d.Port)
        .arg(QString::fromLatin1(d.Bytes).replace(QChar(0), u'|'));
}

} // namespace

QStringList RawSent(const EngineHarness& h)
{
    QStringList lines;
    for (const SentDatagram& d : h.sent)
        lines << Raw(d);
    return lines;
}

// What was sent, as "host:port 0xcommand extra", and "|groups" when there is a group part.
QStringList Sent(const EngineHarness& h)
{
    QStringList lines;
    for (std::size_t i = 0; i < h.sent.size(); ++i) {
        const ReceivedPacket p = h.SentPacket(i);
        QString line = QStringLiteral("%1:%2 0x%3 %4")
                           .arg(QString::fromLatin1(h.sent[i].Host))
                           .arg(h.sent[i].Port)
                           .arg(p.Command | p.Options, 0, 16)
                           .arg(QString::fromLatin1(p.Extra));
        if (!p.GroupPart.isEmpty())
            line += u'|' + QString::fromLatin1(p.GroupPart);
        lines << line;
    }
    return lines;
}

QStringList Order(const EngineHarness& h)
{
    QStringList addresses;
    for (const MemberRecord& m : h.engine->Members())
        addresses << QString::fromLatin1(m.IPAddress);
    return addresses;
}

void Drain(EngineHarness& h)
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::sendPostedEvents(&h.window);
}

void Forget(EngineHarness& h)
{
    h.sent.clear();
    h.events.Lines.clear();
    h.events.Added.clear();
}
