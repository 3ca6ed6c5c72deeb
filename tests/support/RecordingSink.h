#pragma once

#include "component/IPalavoIFEvents.h"

#include <QString>
#include <QStringList>

// Records every event a sink hears as one readable line, e.g.
// "VoIPRequestReceived 10.0.0.2 太郎 5060 1 0", in a log it may share with other sinks
// (each line then starts with the sink's name), so the order of delivery shows.
class RecordingSink : public IPalavoIFEvents
{
public:
    explicit RecordingSink(QStringList& log, QString name = {}) : m_log(log), m_name(name) {}

    void MemberAdded(const QString& ip, int32_t port, VARIANT_BOOL exist, const QString& location,
                     const QString& alias, const QString& host, const QString& user,
                     const QString& groups) override
    {
        Record(QStringLiteral("MemberAdded %1:%2 %3 [%4] %5 %6 %7 %8")
                   .arg(ip)
                   .arg(port)
                   .arg(exist)
                   .arg(location, alias, host, user, groups));
    }
    void PresenseNotified(const QString& ip, VARIANT_BOOL exist, const QString& location) override
    {
        Record(QStringLiteral("PresenseNotified %1 %2 [%3]").arg(ip).arg(exist).arg(location));
    }
    void MemberDeleted(const QString& ip) override
    {
        Record(QStringLiteral("MemberDeleted %1").arg(ip));
    }
    void MessageReceived(const QString& ip, int32_t port, const QString& group,
                         const QString& message, VARIANT_BOOL isSecret) override
    {
        Record(QStringLiteral("MessageReceived %1:%2 [%3] %4 %5")
                   .arg(ip)
                   .arg(port)
                   .arg(group, message)
                   .arg(isSecret));
    }
    void XmlMessageReceived(const QString& ip, int32_t port, const QString& xml) override
    {
        Record(QStringLiteral("XmlMessageReceived %1:%2 %3").arg(ip).arg(port).arg(xml));
    }
    void GroupMessageReceived(const QString& ip, int32_t port, const QString& group,
                              const QString& message) override
    {
        Record(QStringLiteral("GroupMessageReceived %1:%2 [%3] %4")
                   .arg(ip)
                   .arg(port)
                   .arg(group, message));
    }
    void AutoResponsedNotification(const QString& ip, const QString& message) override
    {
        Record(QStringLiteral("AutoResponsedNotification %1 %2").arg(ip, message));
    }
    void VoIPRequestReceived(const QString& ip, const QString& alias, int32_t port,
                             VARIANT_BOOL video, VARIANT_BOOL capT120) override
    {
        Record(QStringLiteral("VoIPRequestReceived %1 %2 %3 %4 %5")
                   .arg(ip, alias)
                   .arg(port)
                   .arg(video)
                   .arg(capT120));
    }
    void VoIPRejectReceived(const QString& ip) override
    {
        Record(QStringLiteral("VoIPRejectReceived %1").arg(ip));
    }
    void VoIPRequestStopReceived(const QString& ip) override
    {
        Record(QStringLiteral("VoIPRequestStopReceived %1").arg(ip));
    }

protected:
    void Record(const QString& line)
    {
        m_log << (m_name.isEmpty() ? line : m_name + QLatin1Char(':') + line);
    }

private:
    QStringList& m_log;
    QString m_name;
};
