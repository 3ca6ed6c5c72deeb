#include "CallClients.h"

namespace
{
// This build links no call client: voice chat stays off, and the tests say so.
class NoClients : public CallClients
{
public:
    std::unique_ptr<rtc::IClient> CreateClient() override { return nullptr; }
};
} // namespace

std::unique_ptr<CallClients> MakeCallClients()
{
    return std::make_unique<NoClients>();
}
