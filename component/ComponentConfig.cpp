#include "ComponentConfig.h"

#include "platform/HostInfo.h"
#include "platform/ProfileFile.h"

#include <QDir>

bool ReadDebugFlag(const QString& settingsDir)
{
    const ProfileFile ini(QDir(settingsDir).filePath(QStringLiteral("Palavo.ini")));
    return ini.ReadInt(u"OPTION", u"debug", 0) == 1;
}

bool ReadDebugFlag()
{
    return ReadDebugFlag(HostInfo::SettingsDir());
}

bool ReadFastTransferFlag(const QString& settingsDir)
{
    const ProfileFile ini(QDir(settingsDir).filePath(QStringLiteral("Palavo.ini")));
    return ini.ReadInt(u"OPTION", u"fastTransfer", 0) == 1;
}
