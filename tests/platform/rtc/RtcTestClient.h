#pragma once

#include "platform/rtc/LinphoneRtcClient.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>
#include <vector>

// Texts in the messages of failed expectations.
inline std::ostream& operator<<(std::ostream& os, const QString& text)
{
    return os << text.toStdString();
}

// One call client as the call manager sets it up, with the events it delivered written as
// lines ("session Incoming", "participant Connected", "media 8 Started").
class RtcTestClient : public rtc::IClientEvents
{
public:
    // `media`: the preferred MediaType mask. `answer`: answer an incoming session from
    // inside the event, as the manager does.
    RtcTestClient(rtc::CoreSetup setup, int media, bool answer);
    ~RtcTestClient() override;

    // The manager's start-up order; the first failure's description, empty on success.
    QString Start(const QString& user, int listenMode = rtc::ListenDynamicAndDefault);
    // "someone@host:port" to reach this client, as the manager writes it.
    QString CallAddress() const;
    int Port() const;

    rtc::LinphoneRtcClient& Client() { return *m_client; }
    void DestroyClient() { m_client.reset(); }
    bool HasClient() const { return m_client != nullptr; }

    QStringList Events;
    std::shared_ptr<rtc::ISession> Session; // the incoming session, or one we placed
    rtc::RtcStatus AnswerStatus = rtc::RtcStatus::Ok();
    // An event arrived while the test was inside an operation of this client.
    bool EventInsideOperation = false;
    bool InOperation = false;
    // Terminate an incoming session from inside the event instead of answering it, as the
    // manager does with a call it did not ask for.
    bool Refuse = false;
    // The event line on which the handler destroys the client, as a manager may.
    QString DestroyOn;

    int Count(const QString& line) const { return int(Events.count(line)); }

    void OnClientEvent(rtc::ClientEventType type) override;
    void OnRegistrationStateChange(int, int, const QString&) override;
    void OnSessionStateChange(const std::shared_ptr<rtc::ISession>& session,
                              rtc::SessionState state) override;
    void OnSessionOperationComplete() override;
    void OnParticipantStateChange(const std::shared_ptr<rtc::IParticipant>& participant,
                                  rtc::ParticipantState state) override;
    void OnMediaEvent(int mediaType, rtc::MediaEventType type) override;
    void OnMessaging() override {}
    void OnBuddy() override {}
    void OnWatcher() override {}
    void OnProfile() override {}

private:
    void Note(const QString& line);

    std::unique_ptr<rtc::LinphoneRtcClient> m_client;
    int m_media;
    bool m_answer;
    QString m_address;
};

// A set-up for tests: media on 127.0.0.1, sound from `playFile` to `recordFile`.
rtc::CoreSetup FileSetup(const QString& playFile, const QString& recordFile);

// Why the product's call client does not start here, or empty. liblinphone is required
// to build at all, so only a fault of the client makes it fail: tests assert it is empty.
QString LinphoneStartFailure();
