#include "platform/rtc/LinphoneCallStates.h"

namespace rtc
{

CallStep NextCallStep(CallProgress& progress, linphone::Call::State state, bool incoming)
{
    using State = linphone::Call::State;
    // Nothing follows the end of a call.
    if (progress.Disconnected)
        return {};
    switch (state) {
    case State::IncomingReceived:
        if (!incoming || progress.Announced)
            return {};
        progress.Announced = true;
        return {SessionState::Incoming, ParticipantState::Incoming};
    case State::OutgoingProgress:
        if (incoming || progress.Announced)
            return {};
        progress.Announced = true;
        return {SessionState::InProgress, ParticipantState::Pending};
    case State::OutgoingRinging:
    case State::OutgoingEarlyMedia:
        if (incoming || progress.Alerting || progress.Connected)
            return {};
        progress.Alerting = true;
        return {std::nullopt, ParticipantState::Alerting};
    case State::Connected:
    case State::StreamsRunning:
        if (progress.Connected)
            return {};
        progress.Connected = true;
        return {SessionState::Connected, ParticipantState::Connected};
    case State::End:
    case State::Error:
    case State::Released:
        progress.Disconnected = true;
        return {SessionState::Disconnected, ParticipantState::Disconnected};
    default:
        return {};
    }
}

} // namespace rtc
