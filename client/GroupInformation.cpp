#include "GroupInformation.h"

#include "client/ChatWindowFactory.h"
#include "client/ParkedWindows.h"
#include "client/UserList.h"

namespace
{
const UserList::Collection& NoMembers()
{
    static const UserList::Collection none;
    return none;
}
} // namespace

GroupInformation::GroupInformation(const QString& group, const RecordContext* context)
    : m_context(context), m_group(group)
{
}

GroupInformation::~GroupInformation()
{
    if (!m_chatForm)
        return;
    m_chatForm->Disable();
    // A window on screen stays, greyed out, until the user closes it or the group is
    // offered again (the next entry rebuilds the groups).
    if (m_context != nullptr && m_context->Parked != nullptr)
        m_context->Parked->Park(m_group, std::move(m_chatForm));
    else if (m_chatForm->OutlivesRecord({}))
        static_cast<void>(m_chatForm.release()); // it owns itself now
}

bool GroupInformation::ReclaimChatForm()
{
    if (!m_chatForm && m_context != nullptr && m_context->Parked != nullptr)
        m_chatForm = m_context->Parked->TakeGroupChatForm(m_group);
    return m_chatForm != nullptr;
}

IGroupChatForm& GroupInformation::ChatForm()
{
    if (!m_chatForm && !ReclaimChatForm()) {
        m_chatForm = m_context != nullptr && m_context->Windows != nullptr
                         ? m_context->Windows->NewGroupChatForm()
                         : ChatWindowFactory{}.NewGroupChatForm();
        m_chatForm->SetGroup(m_group);
    }
    return *m_chatForm;
}

void GroupInformation::ShowChatForm()
{
    IGroupChatForm& form = ChatForm();
    const UserList* users = m_context != nullptr ? m_context->Users : nullptr;
    for (const auto& member : users != nullptr ? users->YourDataAll() : NoMembers()) {
        // Asking the component for the tool name costs a lookup, so only members that
        // list the group are asked, once each.
        if (member->groupNames().contains(m_group) && member->IsProductUser())
            AddMember(member->aliase(), member->address());
    }
    form.SetGroup(m_group);
    form.ShowModeless();
}

void GroupInformation::setGroup(const QString& group)
{
    m_group = group;
    if (m_chatForm)
        m_chatForm->SetGroup(group);
}

void GroupInformation::RecvMessage(const QString& message, const QString& senderAliase,
                                   const QString& senderAddress)
{
    ShowChatForm();
    m_chatForm->Recvmsg(message, senderAliase, senderAddress);
}

void GroupInformation::AddMember(const QString& aliase, const QString& address)
{
    const UserList* users = m_context != nullptr ? m_context->Users : nullptr;
    if (m_chatForm && users != nullptr && users->SearchUserAddr(address) != nullptr)
        m_chatForm->AddMember(aliase, address);
}

void GroupInformation::DeleteMember(const QString& address)
{
    if (m_chatForm)
        m_chatForm->DeleteMember(address);
}
