#pragma once

#include <QString>

#include <cstdint>

// The six events the network bridge raises to the main control, in the order of their
// ids (1 to 6). Booleans arrive as bool. Raised synchronously on the user-interface
// thread, while the component handles a datagram.
class IControlFormEvents
{
public:
    virtual ~IControlFormEvents() = default;

    virtual void OnAddMember(const QString& IPAddress, int32_t PortNo, bool Exist,
                             const QString& Location, const QString& Aliase,
                             const QString& HostName, const QString& UserName,
                             const QString& GroupNames) = 0;
    virtual void OnDeleteMember(const QString& IPAddress) = 0;
    virtual void OnRecvMessage(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                               const QString& Message, bool IsSecret) = 0;
    virtual void OnRecvGroupMessage(const QString& IPAddress, int32_t PortNo,
                                    const QString& GroupName, const QString& Message) = 0;
    virtual void OnChangeMember(const QString& IPAddress, bool Exist, const QString& Location) = 0;
    virtual void OnAutoResponsed(const QString& IPAddress, const QString& Message) = 0;
};
