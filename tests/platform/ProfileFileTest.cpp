#include "platform/ProfileFile.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

namespace
{

class ProfileFileTest : public testing::Test
{
protected:
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QString WriteBytes(const QByteArray& bytes, const char* name = "Palavo.ini") const
    {
        const QString path = PathOf(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QByteArray ReadBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

const QByteArray kSample = "; written by hand\n"
                           "[CHAT]\n"
                           ";port=1\n"
                           "port = 2426\n"
                           "\n"
                           "  [ User ]  \n"
                           "Aliase=  \xE5\xA4\xAA\xE9\x83\x8E  \n"
                           "quoted=\"  spaced  \"\n"
                           "single='x'\n"
                           "lonequote=\"abc\n"
                           "empty=\n"
                           "not a key line\n"
                           "wide=\xE3\x80\x80x\xE3\x80\x80\n"
                           "[OPTION]\n"
                           "#debug=5\n"
                           "debug=1\n"
                           "port=9\n";

} // namespace

TEST_F(ProfileFileTest, ReadsLikeThePlatformProfileService)
{
    const ProfileFile ini(WriteBytes(kSample));
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"CHAT", u"port", u"2426"},         // blanks around '=' are not part of key or value
        {u"chat", u"PORT", u"2426"},         // names match without regard to case
        {u"User", u"aliase", u"太郎"},       // a section header may carry blanks
        {u"USER", u"Quoted", u"  spaced  "}, // quotes go, what they enclose stays
        {u"User", u"single", u"x"},
        {u"User", u"lonequote", u"\"abc"},    // an unmatched quote is part of the value
        {u"User", u"empty", u""},             // present but empty is not missing
        {u"User", u"wide", u"\u3000x\u3000"}, // full-width blanks belong to the value
        {u"OPTION", u"debug", u"1"},          // a commented-out key does not count
        {u"User", u"port", u"(default)"},     // keys belong to their own section
        {u"User", u"not a key line", u"(default)"},
        {u"Others", u"anything", u"(default)"},
        {u"", u"port", u"(default)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadString(QStringView(c.section), QStringView(c.key), u"(default)"),
                  QString::fromUtf16(c.expected))
            << QString::fromUtf16(c.section).toStdString() << "/"
            << QString::fromUtf16(c.key).toStdString();
    }
}

TEST_F(ProfileFileTest, ReadIntTakesTheLeadingNumber)
{
    struct Case {
        const char* value; // nullptr: the key is missing
        int expected;
    };
    const Case cases[] = {
        {"2425", 2425},
        {"2x", 2},
        {"x", 0},
        {"", 7},
        {nullptr, 7},
        {"-12", -12},
        {"+5", 5},
        {"  42  ", 42},
        {"0012", 12},
        {"\"3\"", 3},
        {"-", 0},
        {"1.9", 1},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
        {"- 5", 0},
    };
    for (const Case& c : cases) {
        const QByteArray body = c.value ? QByteArray("[S]\nk=") + c.value + "\n" : "[S]\n";
        const ProfileFile ini(WriteBytes(body));
        EXPECT_EQ(ini.ReadInt(u"S", u"K", 7), c.expected) << (c.value ? c.value : "(missing)");
    }
}

TEST_F(ProfileFileTest, WritingAKeyChangesOnlyItsValue)
{
    const QString path = WriteBytes(kSample);
    ProfileFile ini(path);
    ASSERT_TRUE(ini.WriteString(u"chat", u"PORT", u"2500"));
    ASSERT_TRUE(ini.WriteString(u"user", u"ALIASE", u"花子"));

    QByteArray expected = kSample;
    expected.replace("port = 2426", "port = 2500");
    expected.replace("Aliase=  \xE5\xA4\xAA\xE9\x83\x8E  ", "Aliase=  \xE8\x8A\xB1\xE5\xAD\x90");
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_EQ(ini.ReadString(u"User", u"aliase"), QString::fromUtf16(u"花子"));
}

TEST_F(ProfileFileTest, NewKeysAndSectionsAreAdded)
{
    const QString path = WriteBytes("[CHAT]\n"
                                    "port=1\n"
                                    "\n"
                                    "\n"
                                    "[User]\n"
                                    "aliase=a\n");
    ProfileFile ini(path);
    ASSERT_TRUE(ini.WriteString(u"chat", u"extra", u"x"));
    ASSERT_TRUE(ini.WriteString(u"User", u"media", u"3"));
    ASSERT_TRUE(ini.WriteString(u"OPTION", u"debug", u"1"));
    EXPECT_EQ(ReadBytes(path), QByteArray("[CHAT]\n"
                                          "port=1\n"
                                          "extra=x\n" // before the blank lines of its section
                                          "\n"
                                          "\n"
                                          "[User]\n"
                                          "aliase=a\n"
                                          "media=3\n"
                                          "\n"
                                          "[OPTION]\n"
                                          "debug=1\n"));
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndIsCreatedOnWrite)
{
    const QString path = PathOf("Palavo.ini");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadString(u"User", u"aliase", u"名無し"), QString::fromUtf16(u"名無し"));
    EXPECT_EQ(ini.ReadInt(u"CHAT", u"port", 2425), 2425);
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(ini.WriteString(u"User", u"aliase", u"x"));
    EXPECT_EQ(ReadBytes(path), QByteArray("[User]\naliase=x\n"));

    ProfileFile nowhere(PathOf("no/such/dir/Palavo.ini"));
    EXPECT_FALSE(nowhere.WriteString(u"User", u"aliase", u"x"));
}

TEST_F(ProfileFileTest, Cp932FileIsReadAndRewrittenAsUtf8)
{
    const QByteArray cp932 = Cp932::FromUnicode(u"[User]\r\naliase=太郎ｶﾅ\r\n; メモ\r\n");
    const QString path = WriteBytes(cp932);
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadString(u"User", u"aliase"), QString::fromUtf16(u"太郎ｶﾅ"));

    ASSERT_TRUE(ini.WriteString(u"User", u"grouplist", u"営業"));
    const QByteArray written = ReadBytes(path);
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(written);
    EXPECT_FALSE(utf8.hasError());
    // The line ending style of the file is kept.
    EXPECT_EQ(text, QString::fromUtf16(u"[User]\r\naliase=太郎ｶﾅ\r\n; メモ\r\ngrouplist=営業\r\n"));
    EXPECT_EQ(ini.ReadString(u"User", u"aliase"), QString::fromUtf16(u"太郎ｶﾅ"));
}

TEST_F(ProfileFileTest, ByteOrderMarkIsSkippedAndKept)
{
    const QString path = WriteBytes("\xEF\xBB\xBF[CHAT]\nport=1\n");
    ProfileFile ini(path);
    EXPECT_EQ(ini.ReadInt(u"CHAT", u"port", 0), 1);
    ASSERT_TRUE(ini.WriteString(u"CHAT", u"port", u"2"));
    EXPECT_EQ(ReadBytes(path), QByteArray("\xEF\xBB\xBF[CHAT]\nport=2\n"));
}

TEST_F(ProfileFileTest, ValueCannotWriteLinesOfItsOwn)
{
    const QString path = WriteBytes("[User]\naliase=a\n");
    ProfileFile ini(path);
    ASSERT_TRUE(ini.WriteString(u"User", u"aliase", u"x\n[OPTION]\r\ndebug=1"));
    EXPECT_EQ(ini.ReadInt(u"OPTION", u"debug", 0), 0);
    EXPECT_EQ(ini.ReadString(u"User", u"aliase"), QStringLiteral("x [OPTION]  debug=1"));

    // A value ends at a NUL, as a C string would.
    ASSERT_TRUE(ini.WriteString(u"User", u"aliase", QStringView(u"ab\0cd", 5)));
    EXPECT_EQ(ini.ReadString(u"User", u"aliase"), QStringLiteral("ab"));

    EXPECT_FALSE(ini.WriteString(u"User", u"a=b", u"x"));
    EXPECT_FALSE(ini.WriteString(u"Us\ner", u"k", u"x"));
    EXPECT_FALSE(ini.WriteString(u"User", u"  ", u"x"));
    EXPECT_FALSE(ini.WriteString(u"User", u";aliase", u"x"));
}

TEST_F(ProfileFileTest, UnreadableFileIsNotOverwritten)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every file, so no file is unreadable";
    const QString path = WriteBytes("[CHAT]\nport=1\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    ProfileFile ini(path);
    EXPECT_FALSE(ini.WriteString(u"User", u"aliase", u"x"));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadBytes(path), QByteArray("[CHAT]\nport=1\n"));
}
