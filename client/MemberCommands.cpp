#include "MemberCommands.h"

#include "client/ChatSession.h"
#include "client/IMemberCommandDialogs.h"
#include "client/IVoiceCallManager.h"
#include "platform/BeepService.h"
#include "platform/MessageBoxService.h"
#include "platform/ShellService.h"

#include <QCoreApplication>
#include <QDir>

namespace
{

const QString NotAvailable = QStringLiteral("利用不可");

} // namespace

MemberCommands::MemberCommands(ChatSession& session, IMemberCommandDialogs& dialogs)
    : m_session(session), m_dialogs(dialogs)
{
}

UserInformation* MemberCommands::Member(const QString& address) const
{
    return address.isEmpty() ? nullptr : m_session.Users().SearchUserAddr(address);
}

void MemberCommands::Messaging(const QString& address)
{
    if (UserInformation* member = Member(address))
        member->ShowChatForm();
}

void MemberCommands::VoiceChat(const QString& address)
{
    if (address.isEmpty())
        return;
    if (m_session.VoiceCallManager() == nullptr) {
        Refuse(QStringLiteral("音声チャットは利用できません(RTC not available.)"), NotAvailable);
        return;
    }
    if (CheckProductUser(
            Member(address),
            QStringLiteral("相手がPalavo XPのユーザではないので、音声チャットは利用できません")))
        ExecVoiceChat(address);
}

void MemberCommands::Mail(const QString& address)
{
    const UserInformation* member = Member(address);
    if (member == nullptr)
        return;
    const QString mail = member->getDetail().MailAddress;
    if (mail.isEmpty())
        return;
    // The address is whatever the peer sent: "a@b?cc=...&body=..." or "a@b,c@d" would
    // let it write the user's mail for them. Only a plain address goes into the URL.
    if (!IsPlainMailAddress(mail)) {
        m_session.Services().MessageBoxes.Show(
            nullptr, {QStringLiteral("相手のメールアドレスに使えない文字が含まれているため、"
                                     "メールを作成できません"),
                      QStringLiteral("エラー"), MessageBoxIcon::Error, MessageBoxButtons::Ok});
        return;
    }
    m_session.Services().Shell.Open(QStringLiteral("mailto:") + mail);
}

bool MemberCommands::IsPlainMailAddress(const QString& mail)
{
    // The characters of an ordinary address, less those that mean something in a
    // mailto: URL ("?", "&", "%", "#", ",", ";", ":" and blanks, controls, quotes, brackets).
    const auto isAtom = [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               QStringView(u".!$'*+-/=^_`{|}~").contains(QChar(c));
    };
    const qsizetype at = mail.indexOf(u'@');
    if (at <= 0 || at == mail.size() - 1 || mail.indexOf(u'@', at + 1) >= 0)
        return false;
    for (qsizetype i = 0; i < mail.size(); ++i) {
        if (i != at && !isAtom(mail[i].unicode()))
            return false;
    }
    return true;
}

void MemberCommands::FileTrans(const QString& address)
{
    if (address.isEmpty())
        return;
    if (CheckProductUser(
            Member(address),
            QStringLiteral("相手がPalavo XPのユーザではないので、ファイル転送は利用できません")))
        ExecFileTrans(address, QString());
}

void MemberCommands::UserProperty(const QString& address)
{
    const UserInformation* member = Member(address);
    if (member == nullptr)
        return;
    m_session.Services().MessageBoxes.Show(
        nullptr, {PropertyText(*member, member->getDetail()), QStringLiteral("詳細情報"),
                  MessageBoxIcon::Information, MessageBoxButtons::Ok});
}

void MemberCommands::DropFiles(const QString& address, const QStringList& files)
{
    // A drop outside any row, or of nothing that is a file, offers nothing.
    if (address.isEmpty() || files.isEmpty())
        return;
    if (CheckProductUser(
            Member(address),
            QStringLiteral("相手がPalavo XPのユーザではないので、ファイル転送は利用できません")))
        ExecFileTrans(address, files.last());
}

void MemberCommands::ExecFileTrans(const QString& address, const QString& file)
{
    const UserInformation* member = Member(address);
    if (member == nullptr) {
        Refuse(QStringLiteral("相手は、もうエントリしていません"), QStringLiteral("相手がいない"));
        return;
    }
    if (member->address() == m_session.LocalAddress()) {
        Beep();
        return;
    }
    m_dialogs.ShowFileTrans(member->address(), file, member->aliase());
}

void MemberCommands::ExecVoiceChat(const QString& address)
{
    const UserInformation* member = Member(address);
    if (member == nullptr)
        return;
    if (member->address() == m_session.LocalAddress()) {
        Beep();
        return;
    }
    IVoiceCallManager* calls = m_session.VoiceCallManager();
    if (calls == nullptr || calls->IsUsing())
        return;
    const int32_t media = m_session.Settings().mediaOption();
    const bool offerVideo = (media & 2) != 0;
    const bool capT120 = (media & 4) != 0;
    const QString aliase = member->aliase();
    bool video = false;
    if (!m_dialogs.ConfirmVoIP(aliase, offerVideo, video))
        return;
    // The member may have left, or voice chat gone, while the dialog was up.
    calls = m_session.VoiceCallManager();
    if (calls != nullptr && Member(address) != nullptr)
        calls->RequestConnect(address, aliase, video, capT120);
}

void MemberCommands::Help()
{
    // Beside the program, not in the settings directory, which may be elsewhere.
    m_session.Services().Shell.Open(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("index.html")));
}

QString MemberCommands::PropertyText(const UserInformation& member,
                                     const UserInformation::Detail& detail)
{
    QString text = QStringLiteral("ニックネーム： ") + member.aliase() + u'\n';
    text += QStringLiteral("IPアドレス： ") + member.address() + u'\n';
    text += QStringLiteral("ホスト名： ") + member.host() + u'\n';
    text += QStringLiteral("ログオン名： ") + member.username() + u'\n';
    if (!detail.ToolName.isEmpty())
        text += QStringLiteral("ツール名： ") + detail.ToolName + u'\n';
    if (!detail.MailAddress.isEmpty())
        text += QStringLiteral("メールアドレス： ") + detail.MailAddress + u'\n';
    return text;
}

bool MemberCommands::CheckProductUser(const UserInformation* member, const QString& refusal)
{
    if (member != nullptr && member->IsProductUser())
        return true;
    Refuse(refusal, NotAvailable);
    return false;
}

void MemberCommands::Refuse(const QString& text, const QString& caption)
{
    m_session.Services().MessageBoxes.Show(
        nullptr, {text, caption, MessageBoxIcon::Warning, MessageBoxButtons::Ok});
}

void MemberCommands::Beep()
{
    m_session.Services().Beeps.Beep(IBeepService::DesktopBeep, 0);
}
