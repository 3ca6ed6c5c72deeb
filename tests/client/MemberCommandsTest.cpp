#include "SessionTestSupport.h"

#include "client/IMemberCommandDialogs.h"
#include "client/MemberCommands.h"
#include "support/PrintQString.h"

namespace
{

const QString Member = QStringLiteral("10.0.0.2");
const QString VoiceRefusal =
    QStringLiteral("利用不可|相手がPalavo XPのユーザではないので、音声チャットは利用できません");
const QString FileRefusal =
    QStringLiteral("利用不可|相手がPalavo XPのユーザではないので、ファイル転送は利用できません");

// The dialogs as lines; the call confirmation answers as the test says.
class RecordingDialogs : public IMemberCommandDialogs
{
public:
    void ShowFileTrans(const QString& destAddress, const QString& file,
                       const QString& aliase) override
    {
        Shown << QStringLiteral("file %1 [%2] %3").arg(destAddress, file, aliase);
    }
    bool ConfirmVoIP(const QString& aliase, bool offerVideo, bool& video) override
    {
        Shown << QStringLiteral("confirm %1 %2").arg(aliase).arg(offerVideo);
        video = offerVideo;
        return Ok;
    }
    QStringList Shown;
    bool Ok = true;
};

class Commands : public Session
{
protected:
    // Entered, with voice chat up when `calls`, and 花子 at `Member` using `tool`.
    MemberCommands& Enter(bool calls, const QString& tool = QStringLiteral("Palavo XP 1.0"))
    {
        // A fresh component each time: the last session's one has gone.
        m_script->Sinks.clear();
        m_calls->Starts = calls;
        m_calls->Media = 1;
        ChatSession& session = StartEntered("[User]\naliase=自分\nmedia=6\n");
        EXPECT_EQ(session.VoiceCallManager() != nullptr, calls);
        Enters("10.0.0.2", "花子", "");
        m_script->AppInfo = tool;
        m_boxes.Clear();
        m_beeps.Beeps.clear(); // voice chat coming on
        m_calls->Journal.clear();
        m_commands = std::make_unique<MemberCommands>(session, m_dialogs);
        return *m_commands;
    }
    // Everything the user saw or the call client was asked, in order of kind.
    QStringList Outcome()
    {
        QStringList seen = BoxTexts() + m_dialogs.Shown + m_calls->Journal;
        for (const auto& [frequency, duration] : m_beeps.Beeps)
            seen << QStringLiteral("beep %1").arg(frequency);
        m_dialogs.Shown.clear();
        m_calls->Journal.clear();
        m_beeps.Beeps.clear();
        return seen;
    }

    RecordingDialogs m_dialogs;
    std::unique_ptr<MemberCommands> m_commands;
};

// Only a plain address goes into a mailto: URL: nothing that adds recipients, headers or a body.
TEST(MailAddress, OnlyAPlainOneIsTaken)
{
    const QString hostile[] = {"a@b?body=x",   "a@b&cc=c@d", "a@b,c@d", "a@b;c@d", "a b@c",
                               "a@b\nBcc:c@d", "a%40b@c",    "a@b#x",   "a@b@c",   "@b",
                               "a@",           "ab",         "\"a\"@b", "a@b:25",  "花子@b"};
    for (const QString& mail : hostile)
        EXPECT_FALSE(MemberCommands::IsPlainMailAddress(mail)) << mail.toStdString();
    EXPECT_TRUE(MemberCommands::IsPlainMailAddress("o'hara+jp@mail-1.example.co.jp"));
}

} // namespace

TEST_F(Commands, FileAndVoiceCommandsRefuseOrOpenTheirDialog)
{
    using Run = void (*)(MemberCommands&);
    const struct {
        const char* name;
        bool calls;
        const char* tool;
        Run run;
        QStringList expected;
    } cases[] = {
        {"voice chat without a call client",
         false,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.VoiceChat(Member); },
         {"利用不可|音声チャットは利用できません(RTC not available.)"}},
        {"voice chat with an IP Messenger user",
         true,
         "IPMsg",
         [](MemberCommands& c) { c.VoiceChat(Member); },
         {VoiceRefusal}},
        {"voice chat with a member who left",
         true,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.VoiceChat("10.0.0.9"); },
         {VoiceRefusal}},
        {"voice chat confirmed, video and whiteboard from the options",
         true,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.VoiceChat(Member); },
         {"confirm 花子 1", "RequestConnect 10.0.0.2 花子 1 1"}},
        {"no row selected",
         true,
         "Palavo XP 1.0",
         [](MemberCommands& c) {
             c.VoiceChat({});
             c.FileTrans({});
             c.DropFiles({}, {"/tmp/a"});
         },
         {}},
        {"file transfer to an IP Messenger user",
         true,
         "IPMsg",
         [](MemberCommands& c) { c.FileTrans(Member); },
         {FileRefusal}},
        {"file transfer to a member who left",
         true,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.FileTrans("10.0.0.9"); },
         {FileRefusal}},
        {"file transfer, no file chosen yet",
         false,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.FileTrans(Member); },
         {"file 10.0.0.2 [] 花子"}},
        {"files dropped on an IP Messenger user",
         false,
         "IPMsg",
         [](MemberCommands& c) { c.DropFiles(Member, {"/tmp/a"}); },
         {FileRefusal}},
        {"a window offers a file to a member who left",
         false,
         "Palavo XP 1.0",
         [](MemberCommands& c) { c.ExecFileTrans("10.0.0.9", "/tmp/a"); },
         {"相手がいない|相手は、もうエントリしていません"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemberCommands& commands = Enter(c.calls, QString::fromUtf8(c.tool));
        c.run(commands);
        EXPECT_EQ(Outcome(), c.expected);
        m_commands.reset();
        m_session.reset();
    }
}

// (Oneself only beeping is a widget test: tests/ui MenuTest.)
TEST_F(Commands, ABusyOrCancelledCallAsksNothing)
{
    MemberCommands& commands = Enter(true);
    m_calls->InCall = true;
    commands.ExecVoiceChat(Member);
    EXPECT_EQ(Outcome(), QStringList());
    m_calls->InCall = false;
    m_dialogs.Ok = false;
    commands.ExecVoiceChat(Member);
    EXPECT_EQ(Outcome(), QStringList({"confirm 花子 1"})) << "cancelled: no call request";
}

TEST_F(Commands, PropertiesAndMailFollowWhatTheMemberGave)
{
    const struct {
        QString tool, mail;
        QString box;
        QStringList opened;
    } cases[] = {
        {"",
         "",
         "詳細情報|ニックネーム： 花子\nIPアドレス： 10.0.0.2\nホスト名： pc\nログオン名： user\n",
         {}},
        {"Palavo XP 1.0",
         "hanako@x.jp",
         "詳細情報|ニックネーム： 花子\nIPアドレス： 10.0.0.2\nホスト名： pc\nログオン名： user\n"
         "ツール名： Palavo XP 1.0\nメールアドレス： hanako@x.jp\n",
         {"mailto:hanako@x.jp"}},
        {"",
         "a@b?body=x",
         "詳細情報|ニックネーム： 花子\nIPアドレス： 10.0.0.2\nホスト名： pc\nログオン名： user\n"
         "メールアドレス： "
         "a@b?body=x\n\nエラー|相手のメールアドレスに使えない文字が含まれているため、"
         "メールを作成できません",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        MemberCommands& commands = Enter(false, c.tool);
        m_script->MailInfo = c.mail;
        commands.UserProperty(Member);
        commands.Mail(Member);
        commands.UserProperty("10.0.0.9");
        commands.Mail("10.0.0.9");
        EXPECT_EQ(Outcome().join(u'\n'), c.box);
        EXPECT_EQ(m_shell.Opened, c.opened);
        m_shell.Opened.clear();
        m_commands.reset();
        m_session.reset();
    }
}
