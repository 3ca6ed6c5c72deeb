#include "UserInformation.h"

#include "client/ChatWindowFactory.h"
#include "client/CommaList.h"
#include "client/IMemberDetails.h"
#include "client/ParkedWindows.h"

UserInformation::UserInformation(const RecordContext* context) : m_context(context) {}

UserInformation::~UserInformation()
{
    if (!m_chatForm)
        return;
    m_chatForm->Disable();
    // A window on screen stays, greyed out, until the user closes it or the member
    // comes back to it.
    if (m_context != nullptr && m_context->Parked != nullptr)
        m_context->Parked->Park(m_address, std::move(m_chatForm));
    else if (m_chatForm->OutlivesRecord({}))
        static_cast<void>(m_chatForm.release()); // it owns itself now
}

bool UserInformation::ReclaimChatForm()
{
    if (!m_chatForm && m_context != nullptr && m_context->Parked != nullptr)
        m_chatForm = m_context->Parked->TakeChatForm(m_address);
    if (m_chatForm)
        m_chatForm->SetPartner(m_address, m_aliase);
    return m_chatForm != nullptr;
}

IChatForm& UserInformation::ChatForm()
{
    if (!m_chatForm && !ReclaimChatForm())
        m_chatForm = m_context != nullptr && m_context->Windows != nullptr
                         ? m_context->Windows->NewChatForm()
                         : ChatWindowFactory{}.NewChatForm();
    return *m_chatForm;
}

void UserInformation::ShowChatForm()
{
    IChatForm& form = ChatForm();
    form.SetPartner(m_address, m_aliase);
    form.ShowModeless();
}

QString UserInformation::getGroup(int index) const
{
    if (index < 1 || index > m_groups.size())
        return {};
    return m_groups[index - 1];
}

UserInformation::Detail UserInformation::getDetail() const
{
    Detail detail;
    if (m_context != nullptr && m_context->Details != nullptr)
        m_context->Details->GetUserDetail(m_address, detail.ToolName, detail.MailAddress);
    return detail;
}

bool UserInformation::IsProductTool(const QString& toolName)
{
    return toolName.contains(QStringLiteral("Palavo XP"));
}

bool UserInformation::IsProductUser() const
{
    return IsProductTool(getDetail().ToolName);
}

void UserInformation::setGroups(const QString& commaList)
{
    m_groups = ParseCommaList(commaList);
}

void UserInformation::SetInfo(const QString& address, int32_t port, const QString& host,
                              const QString& aliase, bool presence, const QString& location,
                              const QString& groups, const QString& username)
{
    m_address = address;
    m_port = port;
    m_host = host;
    m_aliase = aliase;
    m_presence = presence;
    m_location = location;
    setGroups(groups);
    m_username = username;
}

void UserInformation::RecvMessage(const QString& message, const QString& group, bool isSecret)
{
    ShowChatForm();
    m_chatForm->Recvmsg(message, group, isSecret);
}

void UserInformation::NotifyResponsed(const QString& message)
{
    ShowChatForm();
    m_chatForm->NotifiyResponsed(message);
}
