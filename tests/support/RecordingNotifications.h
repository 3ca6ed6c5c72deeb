#pragma once

#include "platform/NotificationService.h"

#include <vector>

// The desktop's notifications as requested, each with what activating it does.
struct RecordingNotifications : INotificationService {
    void Notify(const DesktopNotification& n, QObject*, std::function<void()> activated) override
    {
        shown.emplace_back(n, std::move(activated));
    }
    void Withdraw(const QString&) override {}
    std::vector<std::pair<DesktopNotification, std::function<void()>>> shown;
};
