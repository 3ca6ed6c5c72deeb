#pragma once

#include "AutomationTypes.h"

#include <QString>

// The component's outgoing events, in DISPID order (1 to 10). A sink overrides the
// ones it wants; the others do nothing. Booleans arrive as 0 or 1. Events are raised
// synchronously on the component's thread, to every connected sink in turn.
class IPalavoIFEvents
{
public:
    virtual ~IPalavoIFEvents() = default;

    virtual void MemberAdded(const QString& IPAddress, int32_t PortNo, VARIANT_BOOL Exist,
                             const QString& Location, const QString& Aliase,
                             const QString& HostName, const QString& UserName,
                             const QString& GroupNames);
    virtual void PresenseNotified(const QString& IPAddress, VARIANT_BOOL Exist,
                                  const QString& Location);
    virtual void MemberDeleted(const QString& IPAddress);
    virtual void MessageReceived(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                                 const QString& Message, VARIANT_BOOL IsSecret);
    // DISPID 5 is part of the interface, but XML commands are consumed inside the
    // component, so it is never raised.
    virtual void XmlMessageReceived(const QString& IPAddress, int32_t PortNo,
                                    const QString& XmlMessage);
    virtual void GroupMessageReceived(const QString& IPAddress, int32_t PortNo,
                                      const QString& GroupName, const QString& Message);
    virtual void AutoResponsedNotification(const QString& IPAddress, const QString& Message);
    virtual void VoIPRequestReceived(const QString& IPAddress, const QString& Aliase,
                                     int32_t PortNo, VARIANT_BOOL video, VARIANT_BOOL capT120);
    virtual void VoIPRejectReceived(const QString& IPAddress);
    virtual void VoIPRequestStopReceived(const QString& IPAddress);
};
