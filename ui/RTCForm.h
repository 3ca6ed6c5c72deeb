#pragma once

#include "client/IVoiceCallManager.h"

#include <QObject>
#include <QString>

#include <cstdint>

class IChatActions;

// The voice-call session manager, as far as this build has one: no call engine is
// linked in yet, so Init fails for every choice of media. The session's start-up probe
// therefore fails, voice chat stays unavailable for the run and its menus are disabled,
// as on a machine whose call client cannot start. Nothing here pretends a call could be
// made.
class RTCForm : public QObject, public IVoiceCallManager
{
    Q_OBJECT
public:
    // `chat` (the session) outlives the manager; refusals go through it.
    explicit RTCForm(IChatActions& chat, QObject* parent = nullptr);

    // False: there is no call client to initialise. `media` 0 is the probe.
    bool Init(int32_t media, const QString& myuser) override;
    // Media bits 1 voice, 2 video, 4 whiteboard; 0 while not initialised (always, here).
    int16_t GetMediaCapabilities() const override { return 0; }
    // No call is ever offered, requested or running.
    bool IsUsing() const override { return false; }
    // Never reached: without a call client the session drops this manager at start-up,
    // so no call is ever requested.
    void RequestConnect(const QString&, const QString&, bool, bool) override {}
    // Nothing to end.
    void StopAllSession() override {}

    // A peer's call request is refused at once; refusals and withdrawals of calls we
    // never asked for need nothing.
    void VoIPRequestOffered(const QString& IPAddress, const QString& Aliase, int32_t PortNo,
                            bool video, bool capT120) override;
    void VoIPRequestRejected(const QString&) override {}
    void VoIPRequestStopped(const QString&) override {}

private:
    IChatActions& m_chat;
};
