#pragma once

#include "platform/NotificationService.h"

#include <QPointer>

#include <functional>
#include <vector>

// The desktop's notifications as a test sees them: each request in order, and the
// activation of any of them, which reaches its window only while the window lives.
class RecordingNotifications : public INotificationService
{
public:
    struct Shown {
        DesktopNotification Notification;
        QPointer<QObject> Target;
        std::function<void()> Activated;
    };

    void Notify(const DesktopNotification& notification, QObject* target,
                std::function<void()> activated) override
    {
        shown.push_back({notification, target, std::move(activated)});
    }
    // As the user clicking request `index`.
    void Activate(std::size_t index)
    {
        if (shown.at(index).Target)
            shown.at(index).Activated();
    }

    std::vector<Shown> shown;
};
