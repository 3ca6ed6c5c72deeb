#include "ChatFormStandIn.h"

void ChatFormStandIn::SetPartner(const QString& address, const QString& aliase)
{
    m_address = address;
    m_aliase = aliase;
}

void ChatFormStandIn::Recvmsg(const QString& message, const QString& group, bool isSecret,
                              const QString& time)
{
    Q_UNUSED(group);
    Q_UNUSED(isSecret);
    m_log.AddLog(m_aliase + QStringLiteral(" =>\t") + message, LogReceived, time);
}

void ChatFormStandIn::NotifiyResponsed(const QString& message, const QString& time)
{
    m_log.AddLog(m_aliase + QStringLiteral(" =>\t") + message, LogReceived, time);
}
