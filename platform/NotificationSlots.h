#pragma once

#include "platform/NotificationService.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// The notification server as NotificationSlots uses it: the session bus in the program
// (DBusNotifications), a recording fake in tests.
class INotificationServer
{
public:
    virtual ~INotificationServer() = default;
    // Shows a notification, replacing the server's notification `replacesId` (0: a new
    // one). `shown` is called once, later or at once, with the server's id for it, or 0
    // when there is no server or it failed. Never blocks.
    virtual void Send(uint32_t replacesId, const QString& summary, const QString& text,
                      std::function<void(uint32_t id)> shown) = 0;
    // Takes notification `id` off the desktop; no answer is awaited.
    virtual void Close(uint32_t id) = 0;
};

// What the desktop shows of a text from the network: its first line, cut to
// MaxBodyChars characters (never inside a surrogate pair), with `&`, `<` and `>` written
// as entities when the server reads the body as markup, so that a peer's text is never
// taken for markup.
QString NotificationBody(const QString& text, bool serverReadsMarkup);
// A nickname as a summary: its first line, cut to MaxSummaryChars.
QString NotificationSummary(const QString& text);

// The bookkeeping between the chat client and the server: one notification per key,
// replaced as new ones arrive under it, at most MaxSlots of ours on the desktop at a time,
// and at most one request in flight per notification (what arrives meanwhile is merged
// into the next request, so a flood of lines costs one request per round trip).
class NotificationSlots : public INotificationService
{
public:
    static constexpr int MaxSlots = 8;
    static constexpr int MaxBodyChars = 200;
    static constexpr int MaxSummaryChars = 64;

    // `server` outlives the slots and calls back only while they live.
    explicit NotificationSlots(INotificationServer& server) : m_server(server) {}

    void Notify(const DesktopNotification& notification, QObject* target,
                std::function<void()> activated) override;
    void Withdraw(const QString& key) override;

    // The server's signals, already checked to come from the server.
    // The user activated notification `id` ("default" action).
    void OnActivated(uint32_t id);
    // Notification `id` is gone from the desktop; its key starts a new one next time.
    void OnClosed(uint32_t id);

    int Count() const { return static_cast<int>(m_slots.size()); }

private:
    struct Slot {
        uint64_t Serial = 0; // stays with the slot while a request is in flight
        QString Key;
        uint32_t Id = 0;
        bool InFlight = false;
        bool Pending = false; // something newer than the request in flight
        bool Withdrawn = false; // taken back while its request was in flight
        uint64_t Touched = 0;
        QString Summary;
        QString Text;
        QPointer<QObject> Target;
        std::function<void()> Activated;
    };

    Slot& SlotFor(const QString& key);
    Slot* FindSerial(uint64_t serial);
    Slot* FindId(uint32_t id);
    void Erase(Slot& slot);
    void Send(Slot& slot);
    void Shown(uint64_t serial, uint32_t id);

    INotificationServer& m_server;
    std::vector<Slot> m_slots;
    uint64_t m_clock = 0;
};
