#pragma once

#include "client/IChatForm.h"
#include "client/IGroupChatForm.h"

#include <functional>
#include <memory>

// Where member and group records get their windows. Records ask only when a window is
// first needed, so thousands of members cost no windows until one is talked to.
// The chat windows install their own makers in the session's factory; an empty maker
// (the default) gives the stand-ins, which keep what they are told without showing
// anything.
struct ChatWindowFactory {
    std::function<std::unique_ptr<IChatForm>()> MakeChatForm;
    std::function<std::unique_ptr<IGroupChatForm>()> MakeGroupChatForm;

    std::unique_ptr<IChatForm> NewChatForm() const;
    std::unique_ptr<IGroupChatForm> NewGroupChatForm() const;
};
