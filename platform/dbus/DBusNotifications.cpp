#include "DBusNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QStringList>
#include <QVariantMap>

#include <utility>

Q_LOGGING_CATEGORY(lcNotify, "palavo.platform.notify", QtWarningMsg)

namespace
{

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The server answers in milliseconds; a stuck one costs a watcher, never the windows.
constexpr int CallTimeoutMs = 5000;
constexpr qint64 AskAgainAfterMs = 30000;

QDBusMessage Call(const QString& method)
{
    return QDBusMessage::createMethodCall(Service, Path, Interface, method);
}

} // namespace

DBusNotifications::DBusNotifications(QDBusConnection bus, QString appIcon, QString desktopEntry,
                                     QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_appIcon(std::move(appIcon)),
      m_desktopEntry(std::move(desktopEntry))
{
    if (!m_bus.isConnected()) {
        qCDebug(lcNotify) << "no session bus: notifications are not shown";
        return;
    }
    // Naming the service makes the bus library hear these signals only from the process
    // that owns the name: another client on the bus cannot activate our windows.
    m_bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnNotificationClosed(uint, uint)));
}

DBusNotifications::~DBusNotifications()
{
    if (m_bus.isConnected()) {
        m_bus.disconnect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                         SLOT(OnActionInvoked(uint, QString)));
        m_bus.disconnect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                         SLOT(OnNotificationClosed(uint, uint)));
    }
}

void DBusNotifications::Notify(const DesktopNotification& notification, QObject* target,
                               std::function<void()> activated)
{
    m_slots.Notify(notification, target, std::move(activated));
}

void DBusNotifications::Send(uint32_t replacesId, const QString& summary, const QString& text,
                             std::function<void(uint32_t id)> shown)
{
    if (!m_bus.isConnected()) {
        shown(0);
        return;
    }
    if (m_server == Server::Absent && m_sinceAbsent.elapsed() >= AskAgainAfterMs)
        m_server = Server::Unknown;
    switch (m_server) {
    case Server::Absent:
        shown(0);
        return;
    case Server::Unknown:
        AskServer();
        [[fallthrough]];
    case Server::Asking:
        m_waiting.push_back({replacesId, summary, text, std::move(shown)});
        return;
    case Server::Present:
        Deliver({replacesId, summary, text, std::move(shown)});
        return;
    }
}

void DBusNotifications::AskServer()
{
    m_server = Server::Asking;
    auto* watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(Call(QStringLiteral("GetCapabilities")), CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &DBusNotifications::OnCapabilities);
}

void DBusNotifications::OnCapabilities(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QStringList> reply = *watcher;
    std::vector<Request> waiting = std::exchange(m_waiting, {});
    if (reply.isError()) {
        qCDebug(lcNotify) << "no notification server:" << reply.error().message();
        m_server = Server::Absent;
        m_sinceAbsent.start();
        for (Request& request : waiting)
            request.Shown(0);
        return;
    }
    m_server = Server::Present;
    // A server that makes links of the body parses its tags, whether or not it says
    // "body-markup" (dunst 1.9 renders <b> and says only "body-hyperlinks").
    const QStringList capabilities = reply.value();
    m_readsMarkup = capabilities.contains(QStringLiteral("body-markup")) ||
                    capabilities.contains(QStringLiteral("body-hyperlinks"));
    auto* info = new QDBusPendingCallWatcher(
        m_bus.asyncCall(Call(QStringLiteral("GetServerInformation")), CallTimeoutMs), this);
    connect(info, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QString, QString, QString, QString> answer = *w;
        if (answer.isError())
            return;
        // name, vendor, version, and the version of the notification protocol it follows
        m_serverInformation =
            QStringLiteral("%1 %2 (%3)")
                .arg(answer.argumentAt<0>(), answer.argumentAt<2>(), answer.argumentAt<1>());
        qCDebug(lcNotify) << "notification server:" << m_serverInformation;
    });
    emit ServerFound();
    for (Request& request : waiting)
        Deliver(std::move(request));
}

void DBusNotifications::Deliver(Request request)
{
    QDBusMessage call = Call(QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), m_desktopEntry);
    call << QStringLiteral("Palavo XP") << uint(request.ReplacesId) << m_appIcon
         << NotificationSummary(request.Summary) << NotificationBody(request.Text, m_readsMarkup)
         << QStringList{QStringLiteral("default"), QStringLiteral("開く")} << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, shown = std::move(request.Shown)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isError()) {
                    qCDebug(lcNotify) << "Notify failed:" << reply.error().message();
                    // The server went away: ask again before the next one.
                    if (reply.error().type() == QDBusError::ServiceUnknown)
                        m_server = Server::Unknown;
                    shown(0);
                    return;
                }
                shown(reply.value());
            });
}

void DBusNotifications::Close(uint32_t id)
{
    QDBusMessage call = Call(QStringLiteral("CloseNotification"));
    call << uint(id);
    // Nothing to wait for: a notification already gone is no error of ours.
    m_bus.send(call);
}

void DBusNotifications::OnActionInvoked(uint id, const QString& actionKey)
{
    if (actionKey == QStringLiteral("default"))
        m_slots.OnActivated(id);
}

void DBusNotifications::OnNotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    m_slots.OnClosed(id);
}
