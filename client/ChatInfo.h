#pragma once

#include "client/ProcessOptions.h"
#include "client/UserInformation.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The settings the running control works with: the local user (OwnUser, never put into
// UserList), the broadcast addresses, the memo/whereabouts list, the mail address, the
// media option bits, five switches and the hand-edited "OPTION" values. The chat session
// owns the one its windows use.
//
// Presence, location, logon name and host name are not settings: they come from the
// network component after entry and from the presence selector.
class ChatInfo
{
public:
    ChatInfo() = default;
    ChatInfo(const ChatInfo&) = delete;
    ChatInfo& operator=(const ChatInfo&) = delete;

    bool displayRenew() const { return m_displayRenew; }
    bool dblClickVoip() const { return m_dblClickVoip; }
    bool closeToTray() const { return m_closeToTray; }
    bool saveHistory() const { return m_saveHistory; }
    bool autoEntry() const { return m_autoEntry; }
    bool autoAnswer() const { return m_autoAnswer; }
    bool useHostlist() const { return m_useHostlist; }

    QString mailAddress() const { return m_mailAddress; }

    // Read from OwnUser.
    QString aliase() const;
    QString username() const;
    QString host() const;
    int32_t port() const;
    bool Presence() const;
    QString Location() const;

    // The memo/whereabouts entries joined with ","; empty text for no entries.
    QString locationList() const;
    QString castAddresses() const { return m_castAddresses; }
    // OwnUser's group names joined with ",".
    QString groups() const;

    void setPresence(bool present);
    void setLocation(const QString& location);
    void setGroups(const QString& commaList);
    void setCastAddresses(const QString& addresses) { m_castAddresses = addresses; }
    void setAliase(const QString& aliase);
    void setHostName(const QString& host);
    void setUseHostlist(bool on) { m_useHostlist = on; }
    void setDisplayRenew(bool on) { m_displayRenew = on; }
    void setDblClickVoip(bool on) { m_dblClickVoip = on; }
    void setCloseToTray(bool on) { m_closeToTray = on; }
    void setSaveHistory(bool on) { m_saveHistory = on; }
    void setAutoAnswer(bool on) { m_autoAnswer = on; }
    void setAutoEntry(bool on) { m_autoEntry = on; }
    void setUserName(const QString& name);
    void setPortNo(int32_t port);
    void setMailAddr(const QString& address) { m_mailAddress = address; }
    void setMediaOption(int32_t bits) { m_mediaOption = bits; }
    int32_t mediaOption() const { return m_mediaOption; }
    void setLocationList(const QString& commaList);

    // Reads the settings file (INIData::LoadSettings) into this object: nickname, port
    // and groups of OwnUser, the addresses, mail address, media bits, switches, the
    // memo/whereabouts list and the "OPTION" values (the trace log follows "debug").
    void LoadSetting();

    UserInformation& OwnUser() { return m_ownUser; }
    const UserInformation& OwnUser() const { return m_ownUser; }
    // Entries 1..n of the memo/whereabouts list (entry 0 of the product is always empty
    // and not held here).
    const QStringList& LocationEntries() const { return m_locationList; }

    const ProcessOptions& options() const { return m_options; }

private:
    UserInformation m_ownUser;
    ProcessOptions m_options;
    QString m_castAddresses;
    QStringList m_locationList;
    QString m_mailAddress;
    int32_t m_mediaOption = 0;
    bool m_useHostlist = false;
    bool m_autoAnswer = false;
    bool m_autoEntry = false;
    bool m_displayRenew = false;
    bool m_dblClickVoip = false;
    bool m_closeToTray = false;
    bool m_saveHistory = false;
};
