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
    // Stored in twips: 1440 to the inch.
    INIData::WriteIniString(QStringLiteral("Others"), key, QStringLiteral("1440,720,7200,4320"));
    EXPECT_TRUE(RestoreFormPosition(window, key));
    const int dpi = window.logicalDpiX();
    EXPECT_EQ(window.geometry(), QRect(dpi, dpi / 2, dpi * 5, dpi * 3)) << dpi;

    qputenv("PALAVO_HOME", oldHome);
}
