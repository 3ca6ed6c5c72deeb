#include "platform/XdgAutostart.h"

#include "support/PrintQString.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
QStringList Lines(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n')
                                          : QStringList{};
}
} // namespace

TEST(XdgAutostart, WritesAndRemovesItsEntryStartingThisProgramWithThisHome)
{
    struct Case {
        const char* program;
        const char* home;
        const char* exec; // as the file holds it
    };
    const Case cases[] = {
        {"/usr/bin/PalavoXP", "", "Exec=/usr/bin/PalavoXP"},
        {"/opt/my apps/PalavoXP", "/home/u/100% palavo",
         R"(Exec="/opt/my apps/PalavoXP" --home "/home/u/100%% palavo")"},
        {"/opt/a\"b$/PalavoXP", "/h/back\\slash",
         R"(Exec="/opt/a\\"b\\$/PalavoXP" --home "/h/back\\\\slash")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exec);
        QTemporaryDir config;
        const QString dir = config.filePath(QStringLiteral("autostart"));
        const XdgAutostart autostart(dir, QString::fromUtf8(c.program), QString::fromUtf8(c.home));
        EXPECT_FALSE(autostart.Enabled());
        EXPECT_EQ(autostart.SetEnabled(true), QString());
        EXPECT_TRUE(Lines(autostart.EntryPath()).contains(QString::fromUtf8(c.exec)));
        EXPECT_TRUE(autostart.Enabled());
        // The same entry starts another settings directory: not this copy's.
        EXPECT_FALSE(
            XdgAutostart(dir, QString::fromUtf8(c.program), QStringLiteral("/other")).Enabled());
        EXPECT_EQ(autostart.SetEnabled(false), QString());
        EXPECT_FALSE(QFile::exists(autostart.EntryPath()));
    }
}

TEST(XdgAutostart, LeavesAnEntryItDidNotWriteAndSaysWhyItCannotWrite)
{
    QTemporaryDir config;
    const XdgAutostart autostart(config.path(), QStringLiteral("/usr/bin/PalavoXP"), {});
    QFile own(autostart.EntryPath());
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/PalavoXP\n");
    own.close();
    EXPECT_FALSE(autostart.Enabled());
    EXPECT_EQ(autostart.SetEnabled(false), QString());
    EXPECT_TRUE(own.exists());
    // A file where the folder should be.
    const XdgAutostart blocked(own.fileName(), QStringLiteral("/usr/bin/PalavoXP"), {});
    EXPECT_NE(blocked.SetEnabled(true), QString());
}
