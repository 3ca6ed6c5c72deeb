#include "ClientTestSupport.h"

#include "client/TraceLog.h"

#include <QDir>
#include <QFile>

void ClientTest::SetUp()
{
    ASSERT_TRUE(m_home.isValid());
    qputenv("PALAVO_HOME", QFile::encodeName(m_home.path()));
    m_info.LoadSetting();
    m_windows = ChatWindowFactory{
        [this]() -> std::unique_ptr<IChatForm> {
            auto form =
                std::make_unique<RecordingChatForm>(m_chatFormsDestroyed, m_chatFormsOnScreen);
            m_chatForms.push_back(form.get());
            return form;
        },
        [this]() -> std::unique_ptr<IGroupChatForm> {
            auto form = std::make_unique<RecordingGroupChatForm>(m_groupFormsDestroyed);
            m_groupForms.push_back(form.get());
            return form;
        },
    };
}

void ClientTest::TearDown()
{
    // Windows go with their records, while the recording counters still exist.
    m_groups.RemoveAll();
    m_users.RemoveAll();
    SetTraceLogDebug(0);
    qunsetenv("PALAVO_HOME");
}

QString ClientTest::SettingsPath(const QString& fileName) const
{
    return QDir(m_home.path()).filePath(fileName);
}

void ClientTest::WriteIniText(const QByteArray& text)
{
    QFile file(SettingsPath(QStringLiteral("Palavo.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QByteArray ClientTest::ReadIniText() const
{
    QFile file(SettingsPath(QStringLiteral("Palavo.ini")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

UserInformation* ClientTest::AddMember(const QString& address, const QString& aliase,
                                       const QString& groups, const QString& toolName)
{
    auto record = std::make_unique<UserInformation>(&m_records);
    record->SetInfo(address, 2425, QStringLiteral("host"), aliase, true, {}, groups,
                    QStringLiteral("user"));
    if (!toolName.isEmpty())
        m_details.ToolNames.insert(address, toolName);
    return m_users.Add(std::move(record));
}
