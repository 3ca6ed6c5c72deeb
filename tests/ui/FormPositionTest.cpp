#include "ui/FormPosition.h"
#include "client/INIData.h"

#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

TEST(FormPosition, AWindowMovesOnlyToAPositionThatWasFound)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray oldHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", home.path().toLocal8Bit());

    QWidget window;
    window.setGeometry(50, 60, 200, 150);
    const QString key = QStringLiteral("GroupChatFormGroupFormPOS");
    INIData::WriteIniString(QStringLiteral("Others"), key, QStringLiteral("11,22,333"));
    EXPECT_FALSE(RestoreFormPosition(window, key));
    EXPECT_EQ(window.geometry(), QRect(50, 60, 200, 150));
    INIData::WriteIniString(QStringLiteral("Others"), key, QStringLiteral("11,22,333,244"));
    EXPECT_TRUE(RestoreFormPosition(window, key));
    EXPECT_EQ(window.geometry(), QRect(11, 22, 333, 244));

    qputenv("PALAVO_HOME", oldHome);
}
