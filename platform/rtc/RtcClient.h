#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

// The real-time communications client that carries voice and video calls: exactly the
// operations and events the voice-call session manager uses, with the meanings and
// numbers the manager relies on. The program's client is made over liblinphone
// (platform/rtc/LinphoneRtcClient); tests drive the manager with a fake.
//
// Every operation may fail; failures are values (RtcStatus, RtcResult) with a
// description for the user, never exceptions. Events are delivered on the thread that
// owns the client, each from a turn of its event loop of its own, never from inside an
// operation the manager called, so a handler may call any operation, end the session
// or destroy the client.
namespace rtc
{

// Media mask bits.
enum MediaType : int {
    AudioSend = 1,
    AudioReceive = 2,
    VideoSend = 4,
    VideoReceive = 8,
    T120 = 16,
};

enum class ClientEventType { DeviceChange = 1, NetworkQualityChange = 2, AsyncCleanupDone = 3 };

enum class SessionState {
    Idle = 0,
    Incoming = 1,
    Answering = 2,
    InProgress = 3,
    Connected = 4,
    Disconnected = 5,
};

enum class ParticipantState {
    Idle = 0,
    Pending = 1,
    Incoming = 2,
    Answering = 3,
    InProgress = 4,
    Alerting = 5,
    Connected = 6,
    Disconnecting = 7,
    Disconnected = 8,
};

enum class MediaEventType { Started = 1, Stopped = 2, Failed = 3 };

// Which applet StartT120Applet and IsT120AppletRunning mean.
enum class T120Applet { Whiteboard = 0, AppSharing = 1 };

// Which of the client's video windows.
enum class VideoWindowKind { Receive, Preview };

// ListenForIncomingSessions: on the dynamic and on the default port.
constexpr int ListenDynamicAndDefault = 2;
// The event filter that lets every one of the eleven event classes through.
constexpr int AllEvents = 2047;
// Terminate's reason for an ordinary hang-up.
constexpr int NormalTermination = 0;

class RtcStatus
{
public:
    static RtcStatus Ok() { return RtcStatus(); }
    static RtcStatus Failed(QString description) { return RtcStatus(std::move(description)); }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    // Why the operation failed, for a message box; empty on success.
    const QString& description() const { return m_description; }

private:
    RtcStatus() = default;
    explicit RtcStatus(QString description) : m_failed(true), m_description(std::move(description))
    {
    }
    bool m_failed = false;
    QString m_description;
};

template <class T> struct RtcResult {
    RtcStatus status = RtcStatus::Ok();
    T value{};

    static RtcResult Of(T v) { return RtcResult{RtcStatus::Ok(), std::move(v)}; }
    static RtcResult Failed(QString why)
    {
        return RtcResult{RtcStatus::Failed(std::move(why)), T{}};
    }
    bool ok() const { return status.ok(); }
};

class ISession;

class IParticipant
{
public:
    virtual ~IParticipant() = default;
    virtual bool Removable() const = 0;
    // The session the participant belongs to; null once the client let go of it.
    virtual std::shared_ptr<ISession> Session() const = 0;
    // The host (dotted IPv4 text) the party's requests came from, as the connection saw
    // it, not as the party claims in its headers; empty when the client cannot vouch for
    // it. The manager answers a call only when this is the member it asked.
    virtual QString RemoteHost() const = 0;
};

// One call. The client and the manager share it; it stays usable (operations then fail)
// after the call ended.
class ISession
{
public:
    virtual ~ISession() = default;
    // Places the call to `sipAddress` ("sip:user@host:port"); `name` is shown to the peer.
    virtual RtcResult<std::shared_ptr<IParticipant>> AddParticipant(const QString& sipAddress,
                                                                    const QString& name) = 0;
    virtual RtcStatus Answer() = 0;
    virtual RtcStatus Terminate(int reason) = 0;
    virtual RtcStatus RemoveParticipant(const std::shared_ptr<IParticipant>& participant) = 0;
    // The participants, counted from 1 as the manager asks for them; null past the end.
    virtual std::shared_ptr<IParticipant> Participant(int index) const = 0;
};

class IVideoWindow
{
public:
    virtual ~IVideoWindow() = default;
    virtual RtcStatus SetVisible(bool visible) = 0;
};

// What the client tells the manager. One virtual per event class, in the order the
// manager's handler lists them.
class IClientEvents
{
public:
    virtual ~IClientEvents() = default;
    virtual void OnClientEvent(ClientEventType type) = 0;
    virtual void OnRegistrationStateChange(int state, int statusCode,
                                           const QString& statusText) = 0;
    virtual void OnSessionStateChange(const std::shared_ptr<ISession>& session,
                                      SessionState state) = 0;
    virtual void OnSessionOperationComplete() = 0;
    virtual void OnParticipantStateChange(const std::shared_ptr<IParticipant>& participant,
                                          ParticipantState state) = 0;
    // `mediaType` is one MediaType bit.
    virtual void OnMediaEvent(int mediaType, MediaEventType type) = 0;
    virtual void OnMessaging() = 0;
    virtual void OnBuddy() = 0;
    virtual void OnWatcher() = 0;
    virtual void OnProfile() = 0;
};

class IClient
{
public:
    virtual ~IClient() = default;

    // Binds the client's events to `sink` (not owned; null unbinds). Bind before
    // Initialize; the sink must outlive the binding.
    virtual void Advise(IClientEvents* sink) = 0;

    // Must succeed before anything else.
    virtual RtcStatus Initialize() = 0;
    virtual RtcStatus SetEventFilter(int filter) = 0;
    virtual RtcStatus SetPreferredMediaTypes(int mask, bool persistent) = 0;
    virtual RtcStatus SetLocalUserName(const QString& name) = 0;
    virtual RtcStatus SetLocalUserURI(const QString& uri) = 0;
    virtual RtcStatus SetListenForIncomingSessions(int mode) = 0;
    // This machine's addresses the client listens on, each "host:port" with the port it
    // really listens on.
    virtual RtcResult<QStringList> NetworkAddresses(bool tcp, bool external) = 0;
    // The MediaType bits the machine can carry: voice needs capture and playback, video
    // a camera.
    virtual RtcResult<int> MediaCapabilities() = 0;
    // A new PC-to-PC session with no local phone URI, no profile and no flags.
    virtual RtcResult<std::shared_ptr<ISession>> CreateSession() = 0;
    // The phone ring, once; false stops it.
    virtual RtcStatus PlayRing(bool on) = 0;
    // The dialog that picks the microphone, speaker and camera and plays a test sound.
    virtual RtcStatus InvokeTuningWizard() = 0;
    virtual RtcResult<bool> IsT120AppletRunning(T120Applet applet) = 0;
    virtual RtcStatus StartT120Applet(T120Applet applet) = 0;
    // The client keeps the window; null with a failure when there is none.
    virtual RtcResult<IVideoWindow*> VideoWindow(VideoWindowKind kind) = 0;
    // Ready to carry a call from now on: the manager asks before it tells a partner to
    // call the port NetworkAddresses gave. A client that puts off starting its media
    // until a call needs it (DeferredRtcClient) starts it here; one that is always ready
    // has nothing to do.
    virtual RtcStatus PrepareForCall() { return RtcStatus::Ok(); }
};

// Makes the clients of one program; the program owns the factory and keeps it alive for
// as long as any client it made.
class IClientFactory
{
public:
    virtual ~IClientFactory() = default;
    // Null when this host has no call client.
    virtual std::unique_ptr<IClient> CreateClient() = 0;
};

// For hosts without calls (palavo-cli, tests of other areas): voice chat stays off.
class NoCallClients : public IClientFactory
{
public:
    std::unique_ptr<IClient> CreateClient() override { return nullptr; }
};

} // namespace rtc
