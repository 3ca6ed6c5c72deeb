#include "MessageBoxService.h"

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

MessageBoxAnswer ScriptedMessageBoxService::Show(QObject*, const MessageBoxRequest& request)
{
    m_shown.push_back(request);
    if (m_answers.empty())
        return DefaultAnswer(request.Buttons);
    const MessageBoxAnswer answer = m_answers.front();
    m_answers.erase(m_answers.begin());
    return answer;
}

namespace
{
IMessageBoxService* g_installed = nullptr;
}

IMessageBoxService& MessageBoxes()
{
    static ScriptedMessageBoxService headless;
    return g_installed != nullptr ? *g_installed : headless;
}

void SetMessageBoxService(IMessageBoxService* service)
{
    g_installed = service;
}
