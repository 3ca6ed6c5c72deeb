#include "CallClients.h"

std::unique_ptr<rtc::IClientFactory> MakeCallClients()
{
    // No call client is linked into this build yet: voice chat stays off.
    return std::make_unique<rtc::NoCallClients>();
}
