#include "INIData.h"

#include "platform/HostInfo.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QStringList>

#include <limits>

namespace
{

const QString Chat = QStringLiteral("CHAT");
const QString User = QStringLiteral("User");
const QString Option = QStringLiteral("OPTION");
const QString Others = QStringLiteral("Others");

const QString DefaultAliase = QStringLiteral("名無しの権兵衛");
const QString DefaultLocationList = QStringLiteral("会議室,トイレ,昼飯中,取り込み中");
constexpr int DefaultPort = 2425;

ProfileFile IniFile()
{
    return ProfileFile(INIData::IniFilePath(QString::fromLatin1(INIData::IniFileName)));
}

bool ReadSwitch(const QString& key)
{
    return INIData::ReadIniInt(User, key, 0) != 0;
}

// Switches go to the file as "1" and "0", whatever a Boolean's integer value might be.
void WriteSwitch(const QString& key, bool on)
{
    INIData::WriteIniString(User, key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

// One field of a stored position: a whole number that fits 16 bits.
bool ReadCoordinate(const QString& field, int& value)
{
    bool ok = false;
    const int number = field.trimmed().toInt(&ok);
    if (!ok || number < std::numeric_limits<int16_t>::min() ||
        number > std::numeric_limits<int16_t>::max())
        return false;
    value = number;
    return true;
}

} // namespace

namespace INIData
{

QString IniFilePath(const QString& fileName)
{
    return QDir(HostInfo::SettingsDir()).filePath(fileName);
}

QString ReadIniString(const QString& section, const QString& key, const QString& defaultValue)
{
    return IniFile().ReadString(section, key, defaultValue);
}

int ReadIniInt(const QString& section, const QString& key, int defaultValue)
{
    return IniFile().ReadInt(section, key, defaultValue);
}

bool WriteIniString(const QString& section, const QString& key, const QString& value)
{
    return IniFile().WriteString(section, key, value);
}

bool WriteIniInt(const QString& section, const QString& key, int value)
{
    return WriteIniString(section, key, QString::number(value));
}

SettingsRecord LoadSettings(ProcessOptions* options)
{
    SettingsRecord record;
    record.port = ReadIniInt(Chat, QStringLiteral("port"), DefaultPort);
    record.locationlist = ReadIniString(User, QStringLiteral("locationlist"), DefaultLocationList);
    record.grouplist = ReadIniString(User, QStringLiteral("grouplist"), {});
    record.aliase = ReadIniString(User, QStringLiteral("aliase"), DefaultAliase);
    record.castAddrList = ReadIniString(User, QStringLiteral("castAddrList"), {});
    record.mailAddress = ReadIniString(User, QStringLiteral("mailAddress"), {});
    record.media = ReadIniInt(User, QStringLiteral("media"), 0);
    record.hostlist = ReadSwitch(QStringLiteral("hostlist"));
    record.autoAnswer = ReadSwitch(QStringLiteral("autoAnswer"));
    record.autoEntry = ReadSwitch(QStringLiteral("autoEntry"));
    record.displayRenew = ReadSwitch(QStringLiteral("displayRenew"));
    record.dblClickVoip = ReadSwitch(QStringLiteral("dblClickVoip"));
    record.closeToTray = ReadSwitch(QStringLiteral("closeToTray"));
    record.saveHistory = ReadSwitch(QStringLiteral("saveHistory"));

    if (options != nullptr) {
        options->voice = ReadIniInt(Option, QStringLiteral("voice"), 0);
        options->file = ReadIniInt(Option, QStringLiteral("file"), 0);
        options->video = ReadIniInt(Option, QStringLiteral("video"), 0);
        options->wb = ReadIniInt(Option, QStringLiteral("wb"), 0);
        options->debug = ReadIniInt(Option, QStringLiteral("debug"), 0);
    }
    return record;
}

void SaveSettings(const SettingsRecord& record)
{
    WriteIniInt(Chat, QStringLiteral("port"), record.port);
    WriteIniString(User, QStringLiteral("locationlist"), record.locationlist);
    WriteIniString(User, QStringLiteral("grouplist"), record.grouplist);
    WriteIniString(User, QStringLiteral("aliase"), record.aliase);
    WriteIniString(User, QStringLiteral("castAddrList"), record.castAddrList);
    WriteIniString(User, QStringLiteral("mailAddress"), record.mailAddress);
    WriteIniInt(User, QStringLiteral("media"), record.media);
    WriteSwitch(QStringLiteral("hostlist"), record.hostlist);
    WriteSwitch(QStringLiteral("autoAnswer"), record.autoAnswer);
    WriteSwitch(QStringLiteral("autoEntry"), record.autoEntry);
    WriteSwitch(QStringLiteral("displayRenew"), record.displayRenew);
    WriteSwitch(QStringLiteral("dblClickVoip"), record.dblClickVoip);
    WriteSwitch(QStringLiteral("closeToTray"), record.closeToTray);
    WriteSwitch(QStringLiteral("saveHistory"), record.saveHistory);
}

FormPosition ReadFormPosition(const QString& key)
{
    const QStringList fields = ReadIniString(Others, key, {}).split(u',');
    FormPosition position;
    if (fields.size() != 4)
        return position;
    // A hand-edited value that is not four small whole numbers is ignored as a whole.
    if (!ReadCoordinate(fields[0], position.left) || !ReadCoordinate(fields[1], position.top) ||
        !ReadCoordinate(fields[2], position.width) || !ReadCoordinate(fields[3], position.height))
        return FormPosition{};
    position.found = true;
    return position;
}

} // namespace INIData
