#include "MessageRouting.h"

#include "client/ChatInfo.h"
#include "client/UserList.h"
#include "client/groupList.h"

namespace MessageRouting
{

void RouteMessage(const UserList& users, const QString& IPAddress, const QString& GroupName,
                  const QString& Message, bool IsSecret)
{
    if (UserInformation* sender = users.SearchUserAddr(IPAddress))
        sender->RecvMessage(Message, GroupName, IsSecret);
}

void RouteAutoResponse(const UserList& users, const QString& IPAddress, const QString& Message)
{
    if (UserInformation* sender = users.SearchUserAddr(IPAddress))
        sender->NotifyResponsed(Message);
}

bool RouteGroupMessage(const UserList& users, const groupList& groups, const ChatInfo& info,
                       const QString& IPAddress, const QString& GroupName, const QString& Message)
{
    const UserInformation* sender = users.SearchUserAddr(IPAddress);
    if (sender == nullptr)
        return false;
    // A cast message reaches every copy on the network, our own included; the local
    // user's own line is already in the window.
    if (sender->aliase() == info.aliase())
        return false;
    if (!sender->IsProductUser())
        return false;
    // With the host list on, a member belongs to its first group only.
    if (info.useHostlist() && GroupName != sender->getGroup(1))
        return false;
    GroupInformation* group = groups.SearchGroup(GroupName);
    if (group == nullptr)
        return false;
    group->RecvMessage(Message, sender->aliase(), IPAddress);
    return true;
}

} // namespace MessageRouting
