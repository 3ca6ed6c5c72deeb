#pragma once

#include <QString>

#include <functional>
#include <vector>

class QObject;

// Message boxes are shown through this service, never by calling QMessageBox
// directly, so that tests and the headless host can see and answer them.
enum class MessageBoxIcon { None, Information, Warning, Error, Question };
enum class MessageBoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MessageBoxAnswer { Ok, Cancel, Yes, No, Retry };

struct MessageBoxRequest {
    QString Text;
    QString Caption;
    MessageBoxIcon Icon = MessageBoxIcon::None;
    MessageBoxButtons Buttons = MessageBoxButtons::Ok;
};

class IMessageBoxService
{
public:
    virtual ~IMessageBoxService() = default;
    // Modal: returns when the user has answered. `owner` may be null.
    virtual MessageBoxAnswer Show(QObject* owner, const MessageBoxRequest& request) = 0;
};

// The first button of each set, the one Enter presses.
MessageBoxAnswer DefaultAnswer(MessageBoxButtons buttons);

// Records every box and answers from a script; with the script used up it answers
// with the default button. For tests and for hosts without a display.
class ScriptedMessageBoxService : public IMessageBoxService
{
public:
    MessageBoxAnswer Show(QObject* owner, const MessageBoxRequest& request) override;

    void QueueAnswer(MessageBoxAnswer answer) { m_answers.push_back(answer); }
    const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }
    // Runs inside the next box, once, as events go on while a user's box is up.
    std::function<void()> WhileShown;
    // The owner of each box in Shown(), in the same order.
    const std::vector<QObject*>& Owners() const { return m_owners; }
    void Clear()
    {
        m_shown.clear();
        m_owners.clear();
    }

private:
    std::vector<MessageBoxRequest> m_shown;
    std::vector<QObject*> m_owners;
    std::vector<MessageBoxAnswer> m_answers;
};
