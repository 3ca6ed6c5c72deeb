#pragma once

#include <QObject>
#include <QString>

#include <functional>

// What the chat client asks the desktop to show: a line arrived in a conversation that is
// not in front, a file is offered, a call rings.
struct DesktopNotification {
    // One notification at a time per key (a conversation, the receive window, a call); a
    // new one under the same key replaces it.
    QString Key;
    // Who: the sender's nickname.
    QString Summary;
    // What: the text, of which only the first line is shown, as plain text.
    QString Text;
};

// The desktop's notifications, behind a service so that the libraries stay free of the
// session bus and tests can record what would be shown. The program uses
// DBusNotifications (platform/dbus); hosts without a desktop NoNotifications.
class INotificationService
{
public:
    virtual ~INotificationService() = default;
    // Shows `notification`, replacing the one shown under its key. When the user activates
    // it, `activated` runs, as long as `target` lives: a notification whose window is gone
    // does nothing. Never blocks and never fails in a way the caller must handle.
    virtual void Notify(const DesktopNotification& notification, QObject* target,
                        std::function<void()> activated) = 0;
    // Takes back the notification shown under `key`: its window has been read, its call
    // or offer is over. Nothing when none is shown.
    virtual void Withdraw(const QString& key) = 0;
};

// For hosts without a desktop: nothing is shown.
class NoNotifications : public INotificationService
{
public:
    void Notify(const DesktopNotification&, QObject*, std::function<void()>) override {}
    void Withdraw(const QString&) override {}
};
