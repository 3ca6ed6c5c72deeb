#include "RtcTestClient.h"

#include <QDebug>

namespace
{
QString Name(rtc::SessionState state)
{
    static const char* names[] = {"Idle",       "Incoming",  "Answering",
                                  "InProgress", "Connected", "Disconnected"};
    return QString::fromLatin1(names[int(state)]);
}

QString Name(rtc::ParticipantState state)
{
    static const char* names[] = {"Idle",      "Pending",       "Incoming",
                                  "Answering", "InProgress",    "Alerting",
                                  "Connected", "Disconnecting", "Disconnected"};
    return QString::fromLatin1(names[int(state)]);
}
} // namespace

rtc::CoreSetup FileSetup(const QString& playFile, const QString& recordFile)
{
    rtc::CoreSetup setup;
    setup.BindAddress = QStringLiteral("127.0.0.1");
    setup.PlayFile = playFile;
    setup.RecordFile = recordFile;
    return setup;
}

QString LinphoneStartFailure()
{
    static const QString why = [] {
        rtc::LinphoneRtcClient probe(FileSetup(QString(), QStringLiteral("/dev/null")));
        const rtc::RtcStatus status = probe.Initialize();
        return status ? QString()
                      : QStringLiteral("the call client does not start: ") + status.description();
    }();
    return why;
}

RtcTestClient::RtcTestClient(rtc::CoreSetup setup, int media, bool answer)
    : m_client(std::make_unique<rtc::LinphoneRtcClient>(std::move(setup))), m_media(media),
      m_answer(answer)
{
}

RtcTestClient::~RtcTestClient()
{
    if (m_client)
        m_client->Advise(nullptr);
}

QString RtcTestClient::Start(const QString& user, int listenMode)
{
    InOperation = true;
    m_client->Advise(this);
    QString error;
    auto check = [&](const rtc::RtcStatus& status) {
        if (error.isEmpty() && !status)
            error = status.description().isEmpty() ? QStringLiteral("failed without a reason")
                                                   : status.description();
    };
    check(m_client->Initialize());
    check(m_client->SetEventFilter(rtc::AllEvents));
    check(m_client->SetPreferredMediaTypes(m_media, false));
    check(m_client->SetLocalUserName(user));
    check(m_client->SetListenForIncomingSessions(listenMode));
    const auto addresses = m_client->NetworkAddresses(false, false);
    check(addresses.status);
    if (error.isEmpty() && addresses.value.isEmpty())
        error = QStringLiteral("no network address");
    if (error.isEmpty()) {
        m_address = addresses.value.first();
        check(m_client->SetLocalUserURI(user + QLatin1Char('@') + m_address.section(':', 0, 0)));
    }
    InOperation = false;
    return error;
}

QString RtcTestClient::CallAddress() const
{
    return QStringLiteral("someone@") + m_address;
}

int RtcTestClient::Port() const
{
    return m_address.section(':', 1).toInt();
}

void RtcTestClient::Note(const QString& line)
{
    if (InOperation)
        EventInsideOperation = true;
    Events << line;
    if (!DestroyOn.isEmpty() && line == DestroyOn)
        m_client.reset();
}

void RtcTestClient::OnClientEvent(rtc::ClientEventType type)
{
    Note(QStringLiteral("client %1").arg(int(type)));
}

void RtcTestClient::OnRegistrationStateChange(int, int, const QString&)
{
    Note(QStringLiteral("registration"));
}

void RtcTestClient::OnSessionStateChange(const std::shared_ptr<rtc::ISession>& session,
                                         rtc::SessionState state)
{
    Note(QStringLiteral("session ") + Name(state));
    if (state == rtc::SessionState::Incoming) {
        Session = session;
        if (Refuse)
            AnswerStatus = session->Terminate(rtc::NormalTermination);
        else if (m_answer)
            AnswerStatus = session->Answer();
    }
}

void RtcTestClient::OnSessionOperationComplete()
{
    Note(QStringLiteral("operation complete"));
}

void RtcTestClient::OnParticipantStateChange(const std::shared_ptr<rtc::IParticipant>& participant,
                                             rtc::ParticipantState state)
{
    Note(QStringLiteral("participant ") + Name(state));
    if (participant && participant->Session() != Session && Session)
        Note(QStringLiteral("participant of another session"));
}

void RtcTestClient::OnMediaEvent(int mediaType, rtc::MediaEventType type)
{
    Note(QStringLiteral("media %1 %2")
             .arg(mediaType)
             .arg(type == rtc::MediaEventType::Started ? "Started" : "Stopped"));
}
