#include "GroupChatFormStandIn.h"

#include <algorithm>

void GroupChatFormStandIn::Recvmsg(const QString& message, const QString& senderAliase,
                                   const QString&)
{
    m_log.AddLog(senderAliase + QStringLiteral(" (") + m_group + QStringLiteral(") =>\t") + message,
                 LogReceived);
}

void GroupChatFormStandIn::AddMember(const QString& aliase, const QString& address)
{
    const bool listed = std::any_of(m_members.begin(), m_members.end(),
                                    [&](const auto& member) { return member.second == address; });
    if (!listed)
        m_members.emplace_back(aliase, address);
}

void GroupChatFormStandIn::DeleteMember(const QString& address)
{
    std::erase_if(m_members, [&](const auto& member) { return member.second == address; });
}
