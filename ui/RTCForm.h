#pragma once

#include "client/IVoiceCallManager.h"
#include "platform/NotificationService.h"
#include "platform/rtc/RtcClient.h"
#include "ui/RtcStatusForm.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class ChatInfo;
class IChatActions;
class IMessageBoxService;

// The voice-call session manager: a hidden form that owns one call client and runs at
// most one voice or video call at a time. The call is agreed first over the network
// component (request, refusal, withdrawal, sent through the session as IChatActions);
// only after the callee accepts does the callee's client call the caller's, which
// answers by itself. Each call is shown in a status window (RtcStatusForm) owned by
// this form, whose buttons come back here.
//
// The program makes two: a probe, initialised with no media only to learn what the
// machine can carry, and the working manager, initialised at entry with that.
//
//     RTCForm manager(session, settings, services.MessageBoxes, services.Calls);
//     manager.Init(3, "taro");                      // voice; false when no client starts
//     manager.RequestConnect("10.0.0.2", "花子", false, false);
class RTCForm : public QWidget, public IVoiceCallManager, private rtc::IClientEvents
{
    Q_OBJECT
public:
    // Everything given outlives the manager: `chat` sends the call commands, `settings`
    // gives the nickname, the media option and automatic answer, `boxes` shows errors,
    // `calls` makes the client at each Init, `notifications` tell of a ringing call.
    RTCForm(IChatActions& chat, const ChatInfo& settings, IMessageBoxService& boxes,
            rtc::IClientFactory& calls, INotificationService& notifications,
            QWidget* parent = nullptr);
    ~RTCForm() override;

    // A new client for capability bits `media` (1 voice, 2 video, 4 whiteboard; 0 the
    // probe) and the user name `myuser`. A client made by an earlier Init is let go
    // first. False, with a box unless `media` is 0, when the client cannot start.
    bool Init(int32_t media, const QString& myuser) override;
    int16_t GetMediaCapabilities() const override;
    bool IsUsing() const override { return inUse; }
    void RequestConnect(const QString& address, const QString& aliase, bool video,
                        bool t120) override;
    void StopAllSession() override;
    void TuningWizard() override;

    void VoIPRequestOffered(const QString& ipAddress, const QString& aliase, int32_t portNo,
                            bool video, bool capT120) override;
    void VoIPRequestRejected(const QString& ipAddress) override;
    void VoIPRequestStopped(const QString& ipAddress) override;

    // The status window's events.
    void OnRtcAccepted(bool video, bool t120);
    void OnRtcRejected();
    void OnRtcDropped();
    void OnRtcWbShareClicked();
    void OnRtcAppShareClicked();

    // The ringer's tick, as the timer delivers it.
    void RingerTimer_Timer();

    // The RTC media mask Init chooses for capability bits `media`.
    static int MediaTypesFor(int32_t media);

    // The status window of the current call; null when there is none.
    RtcStatusForm* StatusForm() const { return m_stsForm; }
    const QString& PeerAddress() const { return peerAddress; }
    const QString& PeerAliase() const { return peerAliase; }
    int LocalPort() const { return localPort; }
    int MediaTypes() const { return mediaTypes; }

    QTimer RingerTimer;

private:
    bool InitializeClient();
    void ReleaseClient();
    // Makes the status window of a new call, caption and events bound, and shows it.
    void OpenStatusForm(const QString& aliase, bool receiver, bool video, bool t120);
    // Forgets the status window; it closes by itself (or already did).
    void ForgetStatusForm();
    void HangUp();
    // Ends the current session, if any, and remembers it as ended by us.
    void EndSession();
    void RememberEnded(const std::shared_ptr<rtc::ISession>& ended);
    // Back to the media of Init once a call is over.
    void ResetCallMedia();
    bool FromPartner(const QString& ipAddress) const;
    void StartRinging();
    void StopRinging();
    void ShowError(const QString& description);
    // The client did not start: at Init, or when a client that starts late first must.
    void ShowInitFailure(const QString& description);

    // rtc::IClientEvents
    void OnClientEvent(rtc::ClientEventType type) override;
    void OnRegistrationStateChange(int state, int statusCode, const QString& statusText) override;
    void OnSessionStateChange(const std::shared_ptr<rtc::ISession>& eventSession,
                              rtc::SessionState state) override;
    void OnSessionOperationComplete() override;
    void OnParticipantStateChange(const std::shared_ptr<rtc::IParticipant>& eventParticipant,
                                  rtc::ParticipantState state) override;
    void OnMediaEvent(int mediaType, rtc::MediaEventType type) override;
    void OnMessaging() override;
    void OnBuddy() override;
    void OnWatcher() override;
    void OnProfile() override;

    IChatActions& m_chat;
    const ChatInfo& m_settings;
    IMessageBoxService& m_boxes;
    rtc::IClientFactory& m_calls;
    INotificationService& m_notifications;

    std::unique_ptr<rtc::IClient> g_objRTCClient;
    // Null once the window is gone (it deletes itself when closed).
    QPointer<RtcStatusForm> m_stsForm;
    std::shared_ptr<rtc::ISession> session;
    std::shared_ptr<rtc::IParticipant> participant;
    QString peerAddress;
    QString peerAliase;
    int32_t peerPort = 0;
    QString localName;
    QString userUri;
    QString firstAddress;
    QString localHost;
    int32_t localPort = 0;
    int32_t mediaTypes = 0;
    bool inUse = false;
    // This side asked for the current call (and so answers the partner's call).
    bool m_caller = false;
    // The media the user chose for the current call (a MediaType mask).
    int32_t m_callMedia = 0;
    // Calls this side ended, or turned away as they came in: their end, told later, is
    // not the end of the current call.
    std::vector<std::weak_ptr<rtc::ISession>> m_ended;
    bool initialized = false;
    int16_t ringCount = 0;
};
