#include "UserInformation.h"

#include "client/ChatLog.h"
#include "client/ChatWindowFactory.h"
#include "client/ChatWindowLimit.h"
#include "client/CommaList.h"
#include "client/IMemberDetails.h"
#include "client/ParkedWindows.h"

UserInformation::UserInformation(const RecordContext* context) : m_context(context) {}

UserInformation::~UserInformation()
{
    if (ChatWindowLimit* limit = WindowLimit()) {
        // Held lines have no window to wait in once the member is gone.
        limit->Take(m_address);
        limit->WindowGiven(m_chatForm.get());
    }
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

ChatWindowLimit* UserInformation::WindowLimit() const
{
    return m_context != nullptr ? m_context->WindowLimit : nullptr;
}

void UserInformation::TakeChatForm(std::unique_ptr<IChatForm> form)
{
    m_chatForm = std::move(form);
    if (ChatWindowLimit* limit = WindowLimit(); limit != nullptr && m_chatForm)
        limit->WindowTaken(m_chatForm.get());
}

bool UserInformation::ReclaimChatForm()
{
    if (!m_chatForm && m_context != nullptr && m_context->Parked != nullptr)
        TakeChatForm(m_context->Parked->TakeChatForm(m_address));
    if (m_chatForm)
        m_chatForm->SetPartner(m_address, m_aliase);
    return m_chatForm != nullptr;
}

IChatForm& UserInformation::ChatForm()
{
    if (!m_chatForm && !ReclaimChatForm())
        TakeChatForm(m_context != nullptr && m_context->Windows != nullptr
                         ? m_context->Windows->NewChatForm()
                         : ChatWindowFactory{}.NewChatForm());
    return *m_chatForm;
}

void UserInformation::ShowChatForm()
{
    IChatForm& form = ChatForm();
    form.SetPartner(m_address, m_aliase);
    form.ShowModeless();
    if (ChatWindowLimit* limit = WindowLimit()) {
        for (const ChatWindowLimit::HeldLine& line : limit->Take(m_address)) {
            if (line.AbsenceReply)
                form.NotifiyResponsed(line.Message, line.Time);
            else
                form.Recvmsg(line.Message, line.Group, line.IsSecret, line.Time);
        }
    }
}

bool UserInformation::HoldWhileWindowsAreFull(const QString& message, const QString& group,
                                              bool isSecret, bool absenceReply)
{
    ChatWindowLimit* limit = WindowLimit();
    if (limit == nullptr || (m_chatForm && m_chatForm->IsShown()) || !limit->Full())
        return false;
    limit->Hold(m_address, {message, group, isSecret, absenceReply, ChatLog::TimeNow()});
    return true;
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
    if (HoldWhileWindowsAreFull(message, group, isSecret, false))
        return;
    ShowChatForm(); // lines held before this one first
    m_chatForm->Recvmsg(message, group, isSecret, {});
}

void UserInformation::NotifyResponsed(const QString& message)
{
    if (HoldWhileWindowsAreFull(message, {}, false, true))
        return;
    ShowChatForm();
    m_chatForm->NotifiyResponsed(message, {});
}
