#pragma once

#include <QByteArray>

// What a transfer window asks of the component that owns it: the two commands it sends
// to the other side. Each goes only to a member; toward anyone else nothing is sent.
class ITransferComponent
{
public:
    virtual ~ITransferComponent() = default;
    virtual void SendStop(const QByteArray& address) = 0;    // "StopFileTrans"
    virtual void SendRefusal(const QByteArray& address) = 0; // "RejectFileTrans"
};
