#include "DeviceChoice.h"

#include "platform/ProfileFile.h"

namespace rtc
{
namespace
{

const QString kSection = QStringLiteral("RTC");
const QString kMicrophone = QStringLiteral("Microphone");
const QString kSpeaker = QStringLiteral("Speaker");
const QString kCamera = QStringLiteral("Camera");

} // namespace

DeviceChoice LoadDeviceChoice(const QString& iniPath)
{
    const ProfileFile file(iniPath);
    return {file.ReadString(kSection, kMicrophone), file.ReadString(kSection, kSpeaker),
            file.ReadString(kSection, kCamera)};
}

bool SaveDeviceChoice(const QString& iniPath, const DeviceChoice& choice)
{
    ProfileFile file(iniPath);
    // Each key is tried even after one fails: the next load then sees as much of the new
    // choice as the file could take.
    bool ok = file.WriteString(kSection, kMicrophone, choice.Microphone);
    ok = file.WriteString(kSection, kSpeaker, choice.Speaker) && ok;
    ok = file.WriteString(kSection, kCamera, choice.Camera) && ok;
    return ok;
}

} // namespace rtc
