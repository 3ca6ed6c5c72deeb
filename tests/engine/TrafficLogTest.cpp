#include "engine/TrafficLog.h"

#include "SocketTestSupport.h"
#include "platform/Cp932.h"
#include "support/Bytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{

const QDateTime FixedTime(QDate(2024, 1, 5), QTime(3, 4, 5, 7));

} // namespace

TEST(TrafficLogFormat, LineIsByteForByte)
{
    struct Case {
        const char16_t* label;
        QByteArray datagram;
        QByteArray line;
    };
    const Case cases[] = {
        // Only the text before the first NUL: the group part is not logged.
        {u"RECV←10.0.0.5:2425\t", Bytes("1:2:u:h:1:a\0grp\0"),
         Bytes("2024/01/05/ 03:04:05.007 RECV\xE2\x86\x90"
               "10.0.0.5:2425\t 1:2:u:h:1:a\n")},
        {u"SEND→peer-host:2425\t", "hello",
         Bytes("2024/01/05/ 03:04:05.007 SEND\xE2\x86\x92peer-host:2425\t hello\n")},
        {u"CAST⇒XXX:XXX:XXX:XXX:2425\t", "x",
         Bytes("2024/01/05/ 03:04:05.007 CAST\xE2\x87\x92XXX:XXX:XXX:XXX:2425\t x\n")},
        // CP932 on the wire, UTF-8 in the file.
        {u"RECV←10.0.0.5:2425\t", Cp932::FromUnicode(u"こんにちは"),
         "2024/01/05/ 03:04:05.007 RECV←10.0.0.5:2425\t こんにちは\n"},
        // A peer's line breaks and other controls are escaped: no line of its own making.
        {u"RECV←10.0.0.5:2425\t", "1:2:u:h:32:hi\r\n2024/01/05/ 03:04:05.007 RECV\x1b[2K\\n",
         "2024/01/05/ 03:04:05.007 RECV←10.0.0.5:2425\t 1:2:u:h:32:hi\\r\\n2024/01/05/ "
         "03:04:05.007 RECV\\x1b[2K\\\\n\n"},
        // A datagram that starts with its NUL leaves the text empty.
        {u"RECV←10.0.0.5:2425\t", Bytes("\0abc"),
         "2024/01/05/ 03:04:05.007 RECV←10.0.0.5:2425\t \n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TrafficLog::FormatLine(FixedTime, QStringView(c.label), c.datagram), c.line)
            << c.line.constData();
    }
}

TEST(TrafficLogWrite, OnlyWhenOnAndBetweenOneAndTenThousandBytes)
{
    struct Case {
        bool enabled;
        qsizetype size;
        bool logged;
    };
    const Case cases[] = {
        {true, 0, false},     {true, 1, true},     {true, 10000, true},
        {true, 10001, false}, {false, 100, false},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath("Palavo_socket.log");
        TrafficLog log(c.enabled, path, [] { return FixedTime; });
        log.Write(u"SEND→h:1\t", QByteArray(c.size, 'a'));
        const QByteArray expected =
            c.logged ? TrafficLog::FormatLine(FixedTime, u"SEND→h:1\t", QByteArray(c.size, 'a'))
                     : QByteArray();
        EXPECT_EQ(ReadFileBytes(path), expected) << "size " << c.size << " on " << c.enabled;
        EXPECT_EQ(QFile::exists(path), c.logged);
    }
}

TEST(TrafficLogWrite, AppendsToWhatIsThere)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Palavo_socket.log");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("earlier\n");
    existing.close();

    TrafficLog log(true, path, [] { return FixedTime; });
    log.Write(u"L1", "one");
    log.Write(u"L2", "two");
    EXPECT_EQ(ReadFileBytes(path), "earlier\n" + TrafficLog::FormatLine(FixedTime, u"L1", "one") +
                                       TrafficLog::FormatLine(FixedTime, u"L2", "two"));
}

TEST(TrafficLogWrite, RotatesIntoOnePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Palavo_socket.log");
    TrafficLog log(
        true, path, [] { return FixedTime; }, 100); // two lines of 38 bytes a file
    const auto line = [](char c) {
        return TrafficLog::FormatLine(FixedTime, u"L", QByteArray(10, c));
    };
    for (char c = '0'; c <= '9'; ++c)
        log.Write(u"L", QByteArray(10, c));
    EXPECT_EQ(ReadFileBytes(path), line('8') + line('9'));
    EXPECT_EQ(ReadFileBytes(path + ".1"), line('6') + line('7'));
}

TEST(TrafficLogWrite, UnopenableFileLosesTheLineSilently)
{
    QTemporaryDir dir;
    // A directory where the file should be, and a file in a folder that does not exist.
    const QString paths[] = {dir.path(), dir.filePath("missing/Palavo_socket.log")};
    for (const QString& path : paths) {
        TrafficLog log(true, path);
        log.Write(u"SEND→h:1\t", "text");
        EXPECT_FALSE(QFileInfo(path).isFile()) << path.toStdString();
    }
}
