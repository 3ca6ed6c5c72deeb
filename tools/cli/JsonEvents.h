#pragma once

#include "component/IPalavoIFEvents.h"

#include <QByteArray>
#include <QJsonArray>

#include <functional>

// An event sink that writes every event of the component as one JSON line:
// {"event":"MemberAdded","args":[...]}, the arguments in the event's own order,
// booleans as 0 or 1.
class JsonEvents : public IPalavoIFEvents
{
public:
    using Output = std::function<void(const QByteArray& line)>;
    explicit JsonEvents(Output output) : m_output(std::move(output)) {}

    void MemberAdded(const QString& IPAddress, int32_t PortNo, VARIANT_BOOL Exist,
                     const QString& Location, const QString& Aliase, const QString& HostName,
                     const QString& UserName, const QString& GroupNames) override;
    void PresenseNotified(const QString& IPAddress, VARIANT_BOOL Exist,
                          const QString& Location) override;
    void MemberDeleted(const QString& IPAddress) override;
    void MessageReceived(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                         const QString& Message, VARIANT_BOOL IsSecret) override;
    void XmlMessageReceived(const QString& IPAddress, int32_t PortNo,
                            const QString& XmlMessage) override;
    void GroupMessageReceived(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                              const QString& Message) override;
    void AutoResponsedNotification(const QString& IPAddress, const QString& Message) override;
    void VoIPRequestReceived(const QString& IPAddress, const QString& Aliase, int32_t PortNo,
                             VARIANT_BOOL video, VARIANT_BOOL capT120) override;
    void VoIPRejectReceived(const QString& IPAddress) override;
    void VoIPRequestStopReceived(const QString& IPAddress) override;

private:
    void Write(const char* event, const QJsonArray& args);

    Output m_output;
};
