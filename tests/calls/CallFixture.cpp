#include "CallFixture.h"

#include "client/TraceLog.h"
#include "ui/RtcStatusForm.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

void RecordingChat::ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                                 bool capT120)
{
    Journal << QStringLiteral("ReqStartVoIP(%1,%2,%3,%4)")
                   .arg(destIPAddr)
                   .arg(myPort)
                   .arg(int(useVideo))
                   .arg(int(capT120));
}

void RecordingChat::ReqStopVoIP(const QString& destIPAddr)
{
    Journal << QStringLiteral("ReqStopVoIP(%1)").arg(destIPAddr);
}

void RecordingChat::RejectVoIP(const QString& destIPAddr)
{
    Journal << QStringLiteral("RejectVoIP(%1)").arg(destIPAddr);
}

void Calls::SetUp()
{
    ASSERT_TRUE(m_home.isValid());
    m_oldHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", m_home.path().toLocal8Bit());
    InitTraceLogPath();
    SetTraceLogDebug(1);
    settings.setAliase(QStringLiteral("自分"));
    manager = std::make_unique<RTCForm>(chat, settings, boxes, calls);
}

void Calls::TearDown()
{
    manager.reset();
    Settle();
    SetTraceLogDebug(0);
    qputenv("PALAVO_HOME", m_oldHome);
    InitTraceLogPath();
}

RTCForm& Calls::Manager(int media)
{
    EXPECT_TRUE(manager->Init(media, QStringLiteral("taro")));
    m_initLines = Client().Journal->size();
    TakeTrace();
    return *manager;
}

rtc::FakeRtcClient& Calls::Client()
{
    rtc::FakeRtcClient* client = calls.Last();
    if (client == nullptr)
        throw std::logic_error("no call client was made");
    return *client;
}

QStringList Calls::CallOperations()
{
    return Client().Journal->mid(m_initLines);
}

QStringList Calls::TakeTrace()
{
    QFile file(TraceLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QStringList texts;
    for (qsizetype i = m_traceRead; i < lines.size(); ++i) {
        // "yyyy M/d H:mm:ss text": the text follows the third space.
        const QString& line = lines[i];
        texts << line.section(u' ', 3);
    }
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
    manager->VoIPRequestOffered(QString::fromLatin1(Partner), QStringLiteral("花子"), port, video,
                                t120);
    return manager->StatusForm();
}

RtcStatusForm* Calls::Requested(bool video, bool t120)
{
    manager->RequestConnect(QString::fromLatin1(Partner), QStringLiteral("花子"), video, t120);
    return manager->StatusForm();
}

void Calls::Click(QPushButton* button)
{
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

void Calls::Settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}
