#include "CallClients.h"

#include "platform/HostInfo.h"
#include "platform/rtc/DeferredRtcClient.h"
#include "platform/rtc/LazyCallClients.h"
#include "platform/rtc/LinphoneRtcClient.h"

#include <QDir>
#include <QPointer>

namespace
{
// The program's clients, as the program makes them (the call module loaded when a call
// first needs it, the device choice saved in the settings file), each remembered while its
// manager keeps it.
class WatchedClients : public CallClients
{
public:
    std::unique_ptr<rtc::IClient> CreateClient() override
    {
        auto client = m_clients.CreateClient();
        m_made.emplace_back(static_cast<rtc::DeferredRtcClient*>(client.get()));
        return client;
    }
    std::vector<int> HeldCalls() const override
    {
        std::vector<int> media;
        for (const auto& client : m_made) {
            // The module's client; this program links the same code, so the cast holds.
            const auto* real =
                client ? dynamic_cast<rtc::LinphoneRtcClient*>(client->Started()) : nullptr;
            for (int mask : real ? real->CallMedia() : std::vector<int>{})
                media.push_back(mask);
        }
        return media;
    }
    int SipPort() const override
    {
        const auto& last = m_made.empty() ? nullptr : m_made.back();
        return last ? last->NetworkAddresses(false, false).value.value(0).section(u':', 1).toInt()
                    : 0;
    }

private:
    rtc::LazyCallClients m_clients{
        QDir(HostInfo::SettingsDir()).filePath(QStringLiteral("Palavo.ini"))};
    std::vector<QPointer<rtc::DeferredRtcClient>> m_made;
};
} // namespace

std::unique_ptr<CallClients> MakeCallClients()
{
    return std::make_unique<WatchedClients>();
}
