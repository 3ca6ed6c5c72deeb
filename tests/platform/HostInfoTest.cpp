#include "platform/HostInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <unistd.h>

namespace
{

// Sets an environment variable for the life of the object and puts the old value back.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(HostInfo, ChoosesTheSettingsDirectory)
{
    struct Case {
        const char* palavoHome;
        bool exeWritable;
        const char* xdg;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/srv/palavo", true, "/x", "/home/u", "/srv/palavo"}, // the override wins
        {"/srv/palavo/", false, "", "", "/srv/palavo"},
        {"", true, "/x", "/home/u", "/opt/palavo/bin"}, // beside the program when it may
        {"", false, "/x", "/home/u", "/x/palavo"},
        {"", false, "", "/home/u", "/home/u/.config/palavo"},
        {"", false, "relative", "/home/u", "/home/u/.config/palavo"}, // XDG wants absolute
        {"", false, "", "", "/opt/palavo/bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HostInfo::ChooseSettingsDir(QString::fromUtf8(c.palavoHome),
                                              QStringLiteral("/opt/palavo/bin"), c.exeWritable,
                                              QString::fromUtf8(c.xdg), QString::fromUtf8(c.home)),
                  QString::fromUtf8(c.expected))
            << c.palavoHome << "|" << c.exeWritable << "|" << c.xdg << "|" << c.home;
    }
}

TEST(HostInfo, PalavoHomeOverridesAndIsCreated)
{
    QTemporaryDir temp;
    const QString wanted = temp.filePath(QStringLiteral("a/b"));
    {
        const ScopedEnv env("PALAVO_HOME", QFile::encodeName(wanted));
        EXPECT_EQ(HostInfo::SettingsDir(), wanted);
        EXPECT_TRUE(QFileInfo(wanted).isDir());
    }
    {
        // Set but empty counts as not set: the test binary's directory is writable.
        const ScopedEnv env("PALAVO_HOME", QByteArray());
        ASSERT_EQ(access(QFile::encodeName(HostInfo::ExecutableDir()).constData(), W_OK), 0);
        EXPECT_EQ(HostInfo::SettingsDir(), HostInfo::ExecutableDir());
    }
}

TEST(HostInfo, ExecutableDirIsWhereThisProgramLies)
{
    const QFileInfo exe(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    EXPECT_EQ(HostInfo::ExecutableDir(), exe.absolutePath());
}

TEST(HostInfo, LocalIPv4AddressIsDottedQuad)
{
    const QString address = HostInfo::LocalIPv4Address();
    in_addr parsed{};
    EXPECT_EQ(inet_pton(AF_INET, address.toLatin1().constData(), &parsed), 1)
        << address.toStdString();
}
