#pragma once

#include "TrayService.h"

#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

// The tray icon of the program, a QSystemTrayIcon: Qt puts it into the desktop's tray
// (a StatusNotifierItem over the session bus where a host listens there, else the XEmbed
// tray of X11). Its menu: the main window shown or hidden, "オン"/"オフ", "終了".
class QtTrayService : public ITrayService
{
public:
    struct Icons {
        QIcon Present;
        QIcon Absent;
        QIcon NotEntered;
    };
    explicit QtTrayService(Icons icons);

    bool Available() const override;
    void SetCommands(ITrayCommands* commands) override;
    void ShowPresence(TrayPresence presence) override;
    void ShowUnread(int conversations) override;
    void ShowWindowShown(bool shown) override;

    // The icon itself, for a look at what the desktop was given.
    const QSystemTrayIcon& Icon() const { return m_icon; }

private:
    void ShowState();

    Icons m_icons;
    ITrayCommands* m_commands = nullptr;
    TrayPresence m_presence = TrayPresence::NotEntered;
    int m_unread = 0;
    QMenu m_menu;
    QAction* m_showHide;
    QAction* m_present;
    QAction* m_absent;
    QActionGroup m_presenceChoice{nullptr};
    QSystemTrayIcon m_icon;
};
