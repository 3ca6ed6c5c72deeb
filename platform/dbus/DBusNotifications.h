#pragma once

#include "platform/NotificationService.h"
#include "platform/NotificationSlots.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QDBusPendingCallWatcher;

// The desktop's notifications over the session bus ("org.freedesktop.Notifications"),
// with the program's icon and desktop entry. Every call is asynchronous, so a missing or
// stuck server never holds up the windows: without a session bus or a server nothing is
// shown and nobody is told. The server's capabilities are asked before the first
// notification, so that a body is escaped exactly when the server reads markup
// ("body-markup", or "body-hyperlinks", which parses tags too).
//
//     DBusNotifications notifications(QDBusConnection::sessionBus(), "palavo-xp", "palavo-xp");
//     PlatformServices services{..., notifications};
class DBusNotifications : public QObject, public INotificationService, private INotificationServer
{
    Q_OBJECT

public:
    // `appIcon` names the icon installed under share/icons/hicolor, `desktopEntry` the
    // desktop file without ".desktop".
    DBusNotifications(QDBusConnection bus, QString appIcon, QString desktopEntry,
                      QObject* parent = nullptr);
    ~DBusNotifications() override;

    void Notify(const DesktopNotification& notification, QObject* target,
                std::function<void()> activated) override;
    void Withdraw(const QString& key) override { m_slots.Withdraw(key); }

    // What GetServerInformation answered ("dunst 1.9.0 (dunstproject)"), once it has;
    // empty before and without a server.
    const QString& ServerInformation() const { return m_serverInformation; }

signals:
    // The server answered its capabilities; ServerInformation follows when it answers.
    void ServerFound();

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotificationClosed(uint id, uint reason);

private:
    enum class Server { Unknown, Asking, Present, Absent };
    struct Request {
        uint32_t ReplacesId;
        QString Summary;
        QString Text;
        std::function<void(uint32_t)> Shown;
    };

    void Send(uint32_t replacesId, const QString& summary, const QString& text,
              std::function<void(uint32_t id)> shown) override;
    void Close(uint32_t id) override;
    void AskServer();
    void OnCapabilities(QDBusPendingCallWatcher* watcher);
    void Deliver(Request request);

    QDBusConnection m_bus;
    QString m_appIcon;
    QString m_desktopEntry;
    NotificationSlots m_slots{*this};
    Server m_server = Server::Unknown;
    bool m_readsMarkup = true;
    QString m_serverInformation;
    // Requests made while the server is being asked; at most one a slot.
    std::vector<Request> m_waiting;
    // A server found missing is asked again only after a while, not for every line.
    QElapsedTimer m_sinceAbsent;
};
