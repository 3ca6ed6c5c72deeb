#pragma once

#include <QString>

// How records and windows ask the network component about a member: the chat session
// implements it (through the bridge) and hands it to its records.
class IMemberDetails
{
public:
    virtual ~IMemberDetails() = default;
    // The member's application information (tool name) and mail address, both empty when
    // unknown.
    virtual void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr) = 0;
};
