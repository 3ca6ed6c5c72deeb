#pragma once

#include "platform/rtc/RtcClient.h"

#include <linphone++/call.hh>

#include <optional>

// liblinphone's call states read as the session and participant states the call manager
// knows. liblinphone reports some moments twice (Connected, then StreamsRunning; End or
// Error, then Released) and a call may end before it connected; the manager hears of each
// moment once.
namespace rtc
{

// What the manager was told of one call so far.
struct CallProgress {
    bool Announced = false; // Incoming, or Pending for a call we placed
    bool Alerting = false;
    bool Connected = false;
    bool Disconnected = false;
};

// The states to report for one change of liblinphone's call state; either may be absent.
struct CallStep {
    std::optional<SessionState> Session;
    std::optional<ParticipantState> Participant;
};

// Advances `progress` and says what to report. `incoming`: the peer placed the call.
CallStep NextCallStep(CallProgress& progress, linphone::Call::State state, bool incoming);

} // namespace rtc
