#include "CallClients.h"

std::unique_ptr<rtc::IClientFactory> MakeCallClients()
{
    // This build links no call client: voice chat stays off, and the tests say so.
    return std::make_unique<rtc::NoCallClients>();
}

std::vector<int> HeldCalls(const rtc::IClientFactory&)
{
    return {};
}
