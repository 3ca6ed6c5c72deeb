#include "CallFixture.h"

#include "client/TraceLog.h"

#include <QCoreApplication>
#include <QFile>

bool RecordingChat::ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                                 bool capT120)
{
    Journal << QStringLiteral("ReqStartVoIP(%1,%2,%3,%4)")
                   .arg(destIPAddr)
                   .arg(myPort)
                   .arg(int(useVideo))
                   .arg(int(capT120));
    return !StartFails;
}

void Calls::SetUp()
{
    ASSERT_TRUE(m_home.isValid());
    m_oldHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", m_home.path().toLocal8Bit());
    InitTraceLogPath();
    SetTraceLogDebug(1);
    settings.setAliase(QStringLiteral("自分"));
    manager = std::make_unique<RTCForm>(chat, settings, boxes, calls, notifications);
}

void Calls::TearDown()
{
    manager.reset();
    Settle();
    SetTraceLogDebug(0);
    qputenv("PALAVO_HOME", m_oldHome);
    InitTraceLogPath();
}

void Calls::Init(int media)
{
    ASSERT_TRUE(manager->Init(media, QStringLiteral("taro")));
    m_initOps = Client().Log->Lines.size();
    TakeTrace();
}

QStringList Calls::Ops() const
{
    return calls.Last()->Log->Lines.mid(m_initOps);
}

QStringList Calls::TakeTrace()
{
    QFile file(TraceLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QStringList texts;
    // "yyyy M/d H:mm:ss text"
    for (qsizetype i = m_traceRead; i < lines.size(); ++i)
        texts << lines[i].section(u' ', 3);
    m_traceRead = lines.size();
    return texts;
}

QStringList Calls::BoxTexts() const
{
    QStringList texts;
    for (const MessageBoxRequest& box : boxes.Shown())
        texts << box.Caption + u'|' + box.Text;
    return texts;
}

RtcStatusForm* Calls::Offered(bool video, bool t120, int32_t port)
{
    manager->VoIPRequestOffered("10.0.0.2", QStringLiteral("花子"), port, video, t120);
    return manager->StatusForm();
}

RtcStatusForm* Calls::Requested(bool video, bool t120)
{
    manager->RequestConnect("10.0.0.2", QStringLiteral("花子"), video, t120);
    return manager->StatusForm();
}

void Calls::RaiseParticipant(rtc::ParticipantState state)
{
    Client().Sink()->OnParticipantStateChange(Client().Sessions.back()->Participants[0], state);
}

void Calls::Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
