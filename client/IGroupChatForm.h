#pragma once

#include <QString>

#include <functional>

// What a group record needs of its group chat window: ui/GroupChatForm implements it,
// GroupChatFormStandIn stands in where there are no widgets.
class IGroupChatForm
{
public:
    virtual ~IGroupChatForm() = default;

    // m_group of the window.
    virtual void SetGroup(const QString& group) = 0;
    virtual void ShowModeless() = 0;
    // A member's line; `senderAddress` names the member for the history.
    virtual void Recvmsg(const QString& message, const QString& senderAliase,
                         const QString& senderAddress) = 0;
    // As IChatForm::IsActive.
    virtual bool IsActive() const = 0;
    // A member the window already lists is ignored.
    virtual void AddMember(const QString& aliase, const QString& address) = 0;
    virtual void DeleteMember(const QString& address) = 0;
    virtual void Disable() = 0;
    // As IChatForm::OutlivesRecord and IChatForm::Reclaim (the same group is back).
    virtual bool OutlivesRecord(std::function<void()> closed) = 0;
    virtual void Reclaim() = 0;
};
