#pragma once

#include <QString>

// How records and windows ask the network component about a member: the main control
// implements it (its GetUserDetail goes through the bridge) and registers itself here
// when it starts.
class IMemberDetails
{
public:
    virtual ~IMemberDetails() = default;
    // The member's application information (tool name) and mail address, both empty when
    // unknown.
    virtual void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr) = 0;
};

// Null until the control registers; records then see empty details.
IMemberDetails* MemberDetails();
// The caller keeps ownership; pass null when it goes away.
void SetMemberDetails(IMemberDetails* source);
