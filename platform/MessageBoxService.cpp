#include "MessageBoxService.h"

#include <utility>

MessageBoxAnswer DefaultAnswer(MessageBoxButtons buttons)
{
    switch (buttons) {
    case MessageBoxButtons::Ok:
    case MessageBoxButtons::OkCancel:
        return MessageBoxAnswer::Ok;
    case MessageBoxButtons::YesNo:
    case MessageBoxButtons::YesNoCancel:
        return MessageBoxAnswer::Yes;
    case MessageBoxButtons::RetryCancel:
        return MessageBoxAnswer::Retry;
    }
    return MessageBoxAnswer::Ok;
}

MessageBoxAnswer ScriptedMessageBoxService::Show(QObject* owner, const MessageBoxRequest& request)
{
    m_shown.push_back(request);
    m_owners.push_back(owner);
    if (WhileShown)
        std::exchange(WhileShown, {})();
    if (m_answers.empty())
        return DefaultAnswer(request.Buttons);
    const MessageBoxAnswer answer = m_answers.front();
    m_answers.erase(m_answers.begin());
    return answer;
}
