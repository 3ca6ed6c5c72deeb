#include "CallClients.h"

#include "platform/HostInfo.h"
#include "platform/rtc/LinphoneClients.h"

#include <QDir>

std::unique_ptr<rtc::IClientFactory> MakeCallClients()
{
    // As the program makes them: the device choice saved in the settings file.
    const QString iniPath = QDir(HostInfo::SettingsDir()).filePath(QStringLiteral("Palavo.ini"));
    return std::make_unique<rtc::LinphoneClients>(iniPath);
}

std::vector<int> HeldCalls(const rtc::IClientFactory& calls)
{
    return static_cast<const rtc::LinphoneClients&>(calls).CallMedia();
}
