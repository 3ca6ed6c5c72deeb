#pragma once

#include "client/IVoiceCallRequests.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

// The voice-call session manager as the chat session drives it: the start-up probe, the
// set-up after entry and the end of every call on cancel entry. The manager itself (a
// window of the call user interface) is made by the view side and reaches the session
// back through IChatActions.
class IVoiceCallManager : public IVoiceCallRequests
{
public:
    // Media bits 1 voice, 2 video, 4 whiteboard. `media` 0 is the probe. False when the
    // call client cannot start.
    virtual bool Init(int32_t media, const QString& myuser) = 0;
    // What the call client can carry; 0 until initialised.
    virtual int16_t GetMediaCapabilities() const = 0;
    virtual void StopAllSession() = 0;
    // A call with the member is being offered, requested or held.
    virtual bool IsUsing() const = 0;
    // Asks the member at `address` for a call the user has confirmed.
    virtual void RequestConnect(const QString& address, const QString& aliase, bool video,
                                bool capT120) = 0;
    // The call client's device picker, when a client exists.
    virtual void TuningWizard() = 0;
};

// Makes a new, uninitialised manager; null for none.
using VoiceCallManagerFactory = std::function<std::unique_ptr<IVoiceCallManager>()>;
