#pragma once

#include <QString>

#include <cstdint>

// The entry points of the voice-call session manager that the network bridge calls
// when a peer asks for, refuses or withdraws a call.
class IVoiceCallRequests
{
public:
    virtual ~IVoiceCallRequests() = default;
    virtual void VoIPRequestOffered(const QString& IPAddress, const QString& Aliase, int32_t PortNo,
                                    bool video, bool capT120) = 0;
    virtual void VoIPRequestRejected(const QString& IPAddress) = 0;
    virtual void VoIPRequestStopped(const QString& IPAddress) = 0;
};
