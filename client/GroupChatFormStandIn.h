#pragma once

#include "client/ChatLog.h"
#include "client/IGroupChatForm.h"

#include <QString>

#include <utility>
#include <vector>

// A group chat window without a screen: it keeps its group, its member list (one entry
// per address), the received lines and whether it was shown or disabled.
class GroupChatFormStandIn : public IGroupChatForm
{
public:
    void SetGroup(const QString& group) override { m_group = group; }
    void ShowModeless() override { ++m_showCount; }
    void Recvmsg(const QString& message, const QString& senderAliase,
                 const QString& senderAddress) override;
    void AddMember(const QString& aliase, const QString& address) override;
    void DeleteMember(const QString& address) override;
    void Disable() override { m_disabled = true; }
    bool OutlivesRecord(std::function<void()>) override { return false; }
    void Reclaim() override { m_disabled = false; }
    bool IsActive() const override { return m_active; }

    QString m_group;
    // (nickname, address) in the order added.
    std::vector<std::pair<QString, QString>> m_members;
    int m_showCount = 0;
    bool m_disabled = false;
    bool m_active = false; // as ChatFormStandIn's
    ChatLog m_log;
};
