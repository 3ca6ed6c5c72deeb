#include "ChatWindowFactory.h"

#include "client/ChatFormStandIn.h"
#include "client/GroupChatFormStandIn.h"

std::unique_ptr<IChatForm> ChatWindowFactory::NewChatForm() const
{
    return MakeChatForm ? MakeChatForm() : std::make_unique<ChatFormStandIn>();
}

std::unique_ptr<IGroupChatForm> ChatWindowFactory::NewGroupChatForm() const
{
    return MakeGroupChatForm ? MakeGroupChatForm() : std::make_unique<GroupChatFormStandIn>();
}
