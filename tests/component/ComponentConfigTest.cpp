#include "component/ComponentConfig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ComponentConfig, DebugFlagIsOnForExactlyOne)
{
    struct Case {
        const char* file; // nullptr: no settings file at all
        bool debug;
    };
    const Case cases[] = {
        {"[OPTION]\ndebug=1\n", true},
        {"[OPTION]\ndebug=2\n", false},
        {"[OPTION]\ndebug=0\n", false},
        {"[OPTION]\nvoice=1\n", false}, // key missing
        {"[CHAT]\ndebug=1\n", false},   // key in another section
        {"[OPTION]\ndebug= 1 \n", true},
        {"[option]\nDEBUG=1\n", true},
        {"[OPTION]\ndebug=1x\n", true}, // read as a profile integer
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        if (c.file != nullptr) {
            QFile ini(QDir(dir.path()).filePath(QStringLiteral("Palavo.ini")));
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write(c.file);
        }
        EXPECT_EQ(ReadDebugFlag(dir.path()), c.debug) << (c.file ? c.file : "(no file)");
    }
}
