#include "ChatInfo.h"

#include "client/CommaList.h"
#include "client/INIData.h"
#include "client/TraceLog.h"

QString ChatInfo::aliase() const
{
    return m_ownUser.aliase();
}

QString ChatInfo::username() const
{
    return m_ownUser.username();
}

QString ChatInfo::host() const
{
    return m_ownUser.host();
}

int32_t ChatInfo::port() const
{
    return m_ownUser.port();
}

bool ChatInfo::Presence() const
{
    return m_ownUser.Presence();
}

QString ChatInfo::Location() const
{
    return m_ownUser.Location();
}

QString ChatInfo::locationList() const
{
    return JoinCommaList(m_locationList);
}

QString ChatInfo::groups() const
{
    return JoinCommaList(m_ownUser.groupNames());
}

void ChatInfo::setPresence(bool present)
{
    m_ownUser.setPresence(present);
}

void ChatInfo::setLocation(const QString& location)
{
    m_ownUser.setLocation(location);
}

void ChatInfo::setGroups(const QString& commaList)
{
    m_ownUser.setGroups(commaList);
}

void ChatInfo::setAliase(const QString& aliase)
{
    m_ownUser.setAliase(aliase);
}

void ChatInfo::setHostName(const QString& host)
{
    m_ownUser.setHost(host);
}

void ChatInfo::setUserName(const QString& name)
{
    m_ownUser.setUserName(name);
}

void ChatInfo::setPortNo(int32_t port)
{
    m_ownUser.setPort(port);
}

void ChatInfo::setLocationList(const QString& commaList)
{
    m_locationList = ParseCommaList(commaList);
}

void ChatInfo::LoadSetting()
{
    const SettingsRecord record = INIData::LoadSettings(&m_options);
    SetTraceLogDebug(m_options.debug);
    m_ownUser.setAliase(record.aliase);
    m_ownUser.setPort(record.port);
    m_ownUser.setGroups(record.grouplist);
    m_castAddresses = record.castAddrList;
    m_mailAddress = record.mailAddress;
    m_mediaOption = record.media;
    m_useHostlist = record.hostlist;
    m_autoAnswer = record.autoAnswer;
    m_autoEntry = record.autoEntry;
    m_displayRenew = record.displayRenew;
    m_dblClickVoip = record.dblClickVoip;
    m_closeToTray = record.closeToTray;
    m_saveHistory = record.saveHistory;
    m_locationList = ParseCommaList(record.locationlist);
}
