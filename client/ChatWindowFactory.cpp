#include "ChatWindowFactory.h"

#include "client/ChatFormStandIn.h"
#include "client/GroupChatFormStandIn.h"

namespace
{
ChatWindowFactory& Installed()
{
    static ChatWindowFactory factory;
    return factory;
}
} // namespace

void SetChatWindowFactory(ChatWindowFactory factory)
{
    Installed() = std::move(factory);
}

std::unique_ptr<IChatForm> MakeChatForm()
{
    const ChatWindowFactory& factory = Installed();
    return factory.MakeChatForm ? factory.MakeChatForm() : std::make_unique<ChatFormStandIn>();
}

std::unique_ptr<IGroupChatForm> MakeGroupChatForm()
{
    const ChatWindowFactory& factory = Installed();
    return factory.MakeGroupChatForm ? factory.MakeGroupChatForm()
                                     : std::make_unique<GroupChatFormStandIn>();
}
