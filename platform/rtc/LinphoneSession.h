#pragma once

#include "platform/rtc/LinphoneCallStates.h"
#include "platform/rtc/RtcClient.h"

#include <QString>

#include <memory>

namespace linphone
{
class Call;
class CallParams;
class Core;
} // namespace linphone

namespace rtc
{

class LinphoneSession;

// What a session needs of the client that made it. The client owns it; sessions hold it
// weakly, so a session outliving its client fails its operations instead of crashing.
struct CallContext {
    std::shared_ptr<linphone::Core> Core;
    int PreferredMedia = AudioSend | AudioReceive;
    // The session whose call is being placed: liblinphone reports the new call before
    // invite returns it.
    LinphoneSession* Placing = nullptr;
};

// "someone@host:port" as the manager writes it, as a SIP address over TCP.
QString CallTarget(const QString& address);

// Audio and video on or off, and their directions, from a MediaType mask.
void ApplyMediaMask(linphone::CallParams& params, int mask);
// The MediaType mask `params` carry: the reverse of ApplyMediaMask.
int MediaMaskOf(const linphone::CallParams& params);

// The host a request came from, read from its top Via header as the SIP stack left it
// ("SIP/2.0/TCP 10.0.0.2:5060;branch=z9;received=10.0.0.9"): the stack adds "received"
// with the connection's source address when the Via names another host. So the Via's
// host is vouched for only when no "received" contradicts it; empty otherwise.
QString ViaSourceHost(const QString& via);

// The one peer of a PC-to-PC session.
class LinphoneParticipant : public IParticipant
{
public:
    explicit LinphoneParticipant(std::weak_ptr<LinphoneSession> session)
        : m_session(std::move(session))
    {
    }
    bool Removable() const override;
    std::shared_ptr<ISession> Session() const override;
    QString RemoteHost() const override;

private:
    std::weak_ptr<LinphoneSession> m_session;
};

// One call: empty until AddParticipant places it, or wrapping a call that came in.
class LinphoneSession : public ISession, public std::enable_shared_from_this<LinphoneSession>
{
public:
    explicit LinphoneSession(std::weak_ptr<CallContext> context) : m_context(std::move(context)) {}

    RtcResult<std::shared_ptr<IParticipant>> AddParticipant(const QString& sipAddress,
                                                            const QString& name) override;
    RtcStatus Answer() override;
    RtcStatus Terminate(int reason) override;
    RtcStatus RemoveParticipant(const std::shared_ptr<IParticipant>& participant) override;
    std::shared_ptr<IParticipant> Participant(int index) const override;
    // Where the party is: for a call that came in, where its request came from; for one
    // we placed, the host we called.
    QString RemoteHost() const;

    // Called by the client: this session now carries `call` (`incoming`: the peer placed it).
    void Attach(std::shared_ptr<linphone::Call> call, bool incoming);
    const std::shared_ptr<linphone::Call>& Call() const { return m_call; }
    bool Incoming() const { return m_incoming; }
    bool Ended() const { return m_progress.Disconnected; }
    CallProgress& Progress() { return m_progress; }
    // The remote video was reported started.
    bool VideoStarted = false;

private:
    std::weak_ptr<CallContext> m_context;
    std::shared_ptr<linphone::Call> m_call;
    std::shared_ptr<LinphoneParticipant> m_participant;
    bool m_incoming = false;
    CallProgress m_progress;
};

} // namespace rtc
