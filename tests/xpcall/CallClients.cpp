#include "CallClients.h"

#include "platform/HostInfo.h"
#include "platform/rtc/LinphoneClients.h"
#include "platform/rtc/LinphoneRtcClient.h"

#include <QDir>
#include <QPointer>

namespace
{
// The program's clients, as the program makes them (the device choice saved in the settings
// file), each remembered while its manager keeps it.
class WatchedClients : public CallClients
{
public:
    std::unique_ptr<rtc::IClient> CreateClient() override
    {
        auto client = m_clients.CreateClient();
        m_made.emplace_back(static_cast<rtc::LinphoneRtcClient*>(client.get()));
        return client;
    }
    std::vector<int> HeldCalls() const override
    {
        std::vector<int> media;
        for (const auto& client : m_made)
            if (client)
                std::ranges::copy(client->CallMedia(), std::back_inserter(media));
        return media;
    }
    int SipPort() const override
    {
        const auto addresses = m_made.empty() || !m_made.back()
                                   ? rtc::RtcResult<QStringList>{}
                                   : m_made.back()->NetworkAddresses(false, false);
        return addresses.value.value(0).section(u':', 1).toInt();
    }

private:
    rtc::LinphoneClients m_clients{
        QDir(HostInfo::SettingsDir()).filePath(QStringLiteral("Palavo.ini"))};
    std::vector<QPointer<rtc::LinphoneRtcClient>> m_made;
};
} // namespace

std::unique_ptr<CallClients> MakeCallClients()
{
    return std::make_unique<WatchedClients>();
}
