#pragma once

#include "client/ProcessOptions.h"
#include "client/SettingsRecord.h"

#include <QString>

// The settings file "Palavo.ini" in the settings directory of the process (beside the
// program, or $PALAVO_HOME), read and written one value at a time through the
// profile-file store; and the whole SettingsRecord at once.
namespace INIData
{

constexpr const char* IniFileName = "Palavo.ini";

// The settings directory followed by `fileName`.
QString IniFilePath(const QString& fileName);

QString ReadIniString(const QString& section, const QString& key, const QString& defaultValue);
int ReadIniInt(const QString& section, const QString& key, int defaultValue);
// False when the file cannot be written; callers of the product ignore it.
bool WriteIniString(const QString& section, const QString& key, const QString& value);
bool WriteIniInt(const QString& section, const QString& key, int value);

// Sections "CHAT" and "User" into a fresh record (defaults where absent), and the five
// "OPTION" values into `options` when given.
SettingsRecord LoadSettings(ProcessOptions* options = nullptr);
// Every field of the record, switches as "1" or "0".
void SaveSettings(const SettingsRecord& record);

// A window position stored by hand in section "Others" as "left,top,width,height".
struct FormPosition {
    bool found = false;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
// Found only with exactly four fields, each a whole number that fits 16 bits.
FormPosition ReadFormPosition(const QString& key);

} // namespace INIData
