#include "JsonEvents.h"

#include "JsonLine.h"

namespace
{
// An automation boolean is 0 or 1 by the time it reaches a sink; anything else non-zero
// is still true.
int Flag(VARIANT_BOOL value)
{
    return value != 0 ? 1 : 0;
}
} // namespace

void JsonEvents::Write(const char* event, const QJsonArray& args)
{
    m_output(JsonLine().Add("event", QLatin1String(event)).Add("args", args).Line());
}

void JsonEvents::MemberAdded(const QString& IPAddress, int32_t PortNo, VARIANT_BOOL Exist,
                             const QString& Location, const QString& Aliase,
                             const QString& HostName, const QString& UserName,
                             const QString& GroupNames)
{
    Write("MemberAdded",
          {IPAddress, PortNo, Flag(Exist), Location, Aliase, HostName, UserName, GroupNames});
}

void JsonEvents::PresenseNotified(const QString& IPAddress, VARIANT_BOOL Exist,
                                  const QString& Location)
{
    Write("PresenseNotified", {IPAddress, Flag(Exist), Location});
}

void JsonEvents::MemberDeleted(const QString& IPAddress)
{
    Write("MemberDeleted", {IPAddress});
}

void JsonEvents::MessageReceived(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                                 const QString& Message, VARIANT_BOOL IsSecret)
{
    Write("MessageReceived", {IPAddress, PortNo, GroupName, Message, Flag(IsSecret)});
}

void JsonEvents::XmlMessageReceived(const QString& IPAddress, int32_t PortNo,
                                    const QString& XmlMessage)
{
    Write("XmlMessageReceived", {IPAddress, PortNo, XmlMessage});
}

void JsonEvents::GroupMessageReceived(const QString& IPAddress, int32_t PortNo,
                                      const QString& GroupName, const QString& Message)
{
    Write("GroupMessageReceived", {IPAddress, PortNo, GroupName, Message});
}

void JsonEvents::AutoResponsedNotification(const QString& IPAddress, const QString& Message)
{
    Write("AutoResponsedNotification", {IPAddress, Message});
}

void JsonEvents::VoIPRequestReceived(const QString& IPAddress, const QString& Aliase,
                                     int32_t PortNo, VARIANT_BOOL video, VARIANT_BOOL capT120)
{
    Write("VoIPRequestReceived", {IPAddress, Aliase, PortNo, Flag(video), Flag(capT120)});
}

void JsonEvents::VoIPRejectReceived(const QString& IPAddress)
{
    Write("VoIPRejectReceived", {IPAddress});
}

void JsonEvents::VoIPRequestStopReceived(const QString& IPAddress)
{
    Write("VoIPRequestStopReceived", {IPAddress});
}
