#pragma once

#include <QString>

// What the tray icon shows of the chat client: not in the network, present or absent.
enum class TrayPresence { NotEntered, Present, Absent };

// What the user asks of the tray icon. The program's window answers: it shows or hides
// itself, hands the presence to the chat control's own selector, and asks before quitting.
class ITrayCommands
{
public:
    virtual ~ITrayCommands() = default;
    // A click on the icon: the main window shown and raised.
    virtual void TrayActivated() = 0;
    // The menu's first item: the main window shown when hidden, else hidden.
    virtual void TrayShowHide() = 0;
    // "オン" or "オフ" from the menu.
    virtual void TrayPresence(bool present) = 0;
    // "終了" from the menu.
    virtual void TrayQuit() = 0;
};

// The icon in the desktop's tray, a service like the message boxes: the chat session
// decides what it shows (presence, the number of unread conversations), the program's
// window answers its menu. Where the desktop has no tray it shows nothing and the
// program behaves as without one.
class ITrayService
{
public:
    virtual ~ITrayService() = default;
    // Whether the desktop has a tray to put the icon in.
    virtual bool Available() const = 0;
    // Who answers the icon; the icon is in the tray while someone does (and a tray is
    // there). Null takes it out. `commands` outlives its registration.
    virtual void SetCommands(ITrayCommands* commands) = 0;
    virtual void ShowPresence(TrayPresence presence) = 0;
    // Conversations with a received line the user has not seen.
    virtual void ShowUnread(int conversations) = 0;
    // Whether the main window is on screen, so the menu offers to hide or to show it.
    virtual void ShowWindowShown(bool shown) = 0;
};

// The icon's tooltip: the product, its presence and the unread conversations.
QString TrayToolTip(TrayPresence presence, int unreadConversations);

// For hosts and tests without a desktop: keeps what it is told; a test plays the user
// through Commands().
class HeadlessTray : public ITrayService
{
public:
    explicit HeadlessTray(bool available = true) : m_available(available) {}
    bool Available() const override { return m_available; }
    void SetCommands(ITrayCommands* commands) override { m_commands = commands; }
    void ShowPresence(TrayPresence presence) override { Presence = presence; }
    void ShowUnread(int conversations) override { Unread = conversations; }
    void ShowWindowShown(bool shown) override { WindowShown = shown; }

    ITrayCommands* Commands() const { return m_commands; }
    TrayPresence Presence = TrayPresence::NotEntered;
    int Unread = 0;
    bool WindowShown = false;

private:
    bool m_available;
    ITrayCommands* m_commands = nullptr;
};
