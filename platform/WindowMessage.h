#pragma once

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <memory>

// The product was built around window messages posted to hidden windows. Here a
// "window" is any QObject and a private message WM_USER+N is a posted QEvent whose
// type is the message number itself (0x400 + N lies inside Qt's user range).
constexpr int WM_USER = 0x400;

constexpr QEvent::Type WindowMessageType(int message)
{
    return static_cast<QEvent::Type>(message);
}

// A posted window message with the two plain parameters of the original messages.
// Messages that carry records (a socket notification, a parsed packet) derive from it
// and own their payload; Qt deletes the event after the receiver has handled it, so
// the payload is freed with it.
class WindowMessage : public QEvent
{
public:
    explicit WindowMessage(int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0)
        : QEvent(WindowMessageType(message)), m_wParam(wParam), m_lParam(lParam)
    {
    }

    int Message() const { return static_cast<int>(type()); }
    std::intptr_t WParam() const { return m_wParam; }
    std::intptr_t LParam() const { return m_lParam; }

private:
    std::intptr_t m_wParam;
    std::intptr_t m_lParam;
};

// Queues the message for the target's thread and returns at once; safe from any thread.
// Ownership of the message passes to Qt's event queue.
void PostWindowMessage(QObject* target, std::unique_ptr<WindowMessage> message);
void PostWindowMessage(QObject* target, int message, std::intptr_t wParam = 0,
                       std::intptr_t lParam = 0);

// Delivers the message to the target before returning, like the original platform's
// SendMessage: for the socket paths, where a queued hop costs an event-loop wake-up per
// datagram. Only on the target's own thread; the caller keeps ownership. Returns whether
// the target handled it.
bool SendWindowMessage(QObject* target, WindowMessage& message);

// True when the event is one of our window messages (as opposed to Qt's own events).
inline bool IsWindowMessage(const QEvent* event)
{
    return event->type() >= WindowMessageType(WM_USER) && event->type() <= QEvent::MaxUser;
}
