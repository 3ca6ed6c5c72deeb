#pragma once

#include <QString>

// The microphone, speaker and camera the user picked in the device picker ("AV
// tuning"), kept in "Palavo.ini" so that every call and beep uses them. An empty id
// means the machine's default device.
namespace rtc
{

struct DeviceChoice {
    QString Microphone;
    QString Speaker;
    QString Camera;
};

// Reads and writes the choice in the settings file at `iniPath`.
DeviceChoice LoadDeviceChoice(const QString& iniPath);
bool SaveDeviceChoice(const QString& iniPath, const DeviceChoice& choice);

} // namespace rtc
