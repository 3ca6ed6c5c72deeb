#include "WindowMessage.h"

#include <QCoreApplication>
#include <QThread>

void PostWindowMessage(QObject* target, std::unique_ptr<WindowMessage> message)
{
    if (target == nullptr)
        return;
    QCoreApplication::postEvent(target, message.release());
}

void PostWindowMessage(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam)
{
    PostWindowMessage(target, std::make_unique<WindowMessage>(message, wParam, lParam));
}

bool SendWindowMessage(QObject* target, WindowMessage& message)
{
    if (target == nullptr)
        return false;
    Q_ASSERT(target->thread() == QThread::currentThread());
    return QCoreApplication::sendEvent(target, &message);
}
