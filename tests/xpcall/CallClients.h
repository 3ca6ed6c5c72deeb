#pragma once

#include "platform/rtc/RtcClient.h"

#include <memory>
#include <vector>

// The call clients the program makes its calls with, and what the driver may ask of them.
// Whether this build links one is known when it is configured (PALAVO_HAS_CALL_CLIENT), so
// a test can tell "no call client here" (a skip) from "the call client failed" (a failure).
class CallClients : public rtc::IClientFactory
{
public:
    // The calls the clients hold now, each as the media it carries (MediaType bits).
    virtual std::vector<int> HeldCalls() const { return {}; }
    // The SIP port of the client made last: the call manager's, made at entry (the probe's
    // is made at start-up); 0 without one.
    virtual int SipPort() const { return 0; }
};

std::unique_ptr<CallClients> MakeCallClients();
