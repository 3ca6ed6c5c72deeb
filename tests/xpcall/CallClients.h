#pragma once

#include "platform/rtc/RtcClient.h"

#include <memory>
#include <vector>

// The call clients the program makes its calls with. Whether this build links one is
// known when it is configured (PALAVO_HAS_CALL_CLIENT), so a test can tell "no call
// client here" (a skip) from "the call client failed" (a failure).
std::unique_ptr<rtc::IClientFactory> MakeCallClients();
// The calls the clients of `calls` hold now, each as the media it carries (MediaType bits).
std::vector<int> HeldCalls(const rtc::IClientFactory& calls);
