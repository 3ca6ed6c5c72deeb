#pragma once

#include <QString>

class ChatInfo;
class UserList;
class groupList;

// Where incoming messages go: to the sender's member record, or to the group's record.
// Messages from an address that `users` does not hold are dropped, as are group
// messages for a group that `groups` does not hold.
namespace MessageRouting
{

// The sender's RecvMessage.
void RouteMessage(const UserList& users, const QString& IPAddress, const QString& GroupName,
                  const QString& Message, bool IsSecret);
// The sender's NotifyResponsed.
void RouteAutoResponse(const UserList& users, const QString& IPAddress, const QString& Message);
// The group's RecvMessage with the sender's nickname, but only when the sender is listed,
// is not the local user (same nickname: our own broadcast comes back to us), runs this
// product, and either the group is the sender's first group or the host list is off.
// True when the message was handed to a group.
bool RouteGroupMessage(const UserList& users, const groupList& groups, const ChatInfo& info,
                       const QString& IPAddress, const QString& GroupName, const QString& Message);

} // namespace MessageRouting
