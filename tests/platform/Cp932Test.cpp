#include "platform/Cp932.h"

#include <gtest/gtest.h>

TEST(Cp932, JapaneseSurvivesTheRoundTrip)
{
    struct Case {
        const char16_t* text;
        const char* bytes;
    };
    const Case cases[] = {
        {u"あ太郎", "\x82\xA0\x91\xBE\x98\x59"},
        {u"ｶﾅ", "\xB6\xC5"},                   // half-width kana are single bytes
        {u"～", "\x81\x60"},                   // FULLWIDTH TILDE, the Windows wave dash
        {u"①Ⅰ㈱", "\x87\x40\x87\x54\x87\x8A"}, // NEC special characters
        {u"a\\b~", "a\\b~"},                   // ASCII passes untouched
        {u"", ""},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QByteArray bytes = Cp932::FromUnicode(text);
        EXPECT_EQ(bytes, QByteArray(c.bytes)) << text.toStdString();
        EXPECT_EQ(Cp932::ToUnicode(bytes), text) << text.toStdString();
    }
}

TEST(Cp932, EachUnmappableCharacterBecomesOneQuestionMark)
{
    struct Case {
        QString text;
        const char* bytes;
    };
    const Case cases[] = {
        {QString::fromUtf16(u"a😀b"), "a?b"}, // a surrogate pair is one character
        {QString::fromUtf16(u"😀😀"), "??"},
        {QString::fromUtf16(u"한글x"), "??x"}, // Hangul syllables
        {QString::fromUtf16(u"café太"), "caf?\x91\xBE"},
        {QString(QChar(0xD800)) + QStringLiteral("z"), "?z"}, // a lone surrogate
    };
    for (const Case& c : cases)
        EXPECT_EQ(Cp932::FromUnicode(c.text), QByteArray(c.bytes)) << c.text.toStdString();
}

TEST(Cp932, InvalidBytesDoNotSwallowTheText)
{
    const QChar bad(0xFFFD);
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"\xA0"
         "abc",
         QString(bad) + QStringLiteral("abc")},
        {"x\x81", QStringLiteral("x") + QString(bad)}, // lead byte cut off at the end
        {"\x81\x20"
         "ok",
         QString(bad) + QStringLiteral(" ok")}, // a lead byte with an invalid trail byte
        {"\xFD\xFE\xFF\x82\xA0", QString(3, bad) + QString::fromUtf16(u"あ")},
        {QByteArray("a\0b", 3), QString::fromUtf16(u"a\u0000b", 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Cp932::ToUnicode(c.bytes), c.text) << c.bytes.toHex().toStdString();
}

TEST(Cp932, CutNeverSplitsADoubleByteCharacter)
{
    struct Case {
        const char16_t* text;
        qsizetype limit;
        qsizetype expected;
    };
    const Case cases[] = {
        {u"あいう", 3, 2}, // the limit falls inside the second character
        {u"あいう", 4, 4}, // exactly after a character
        {u"あいう", 6, 6}, // the whole text
        {u"あいう", 100, 6}, {u"あいう", 0, 0}, {u"あいう", -1, 0},
        {u"aあｶb", 2, 1}, // ASCII, then a double-byte character that does not fit
        {u"aあｶb", 3, 3},    {u"aあｶb", 4, 4}, // half-width kana is one byte
        {u"ｶｶｶ", 2, 2},                        // kana bytes (0xA1-0xDF) are never lead bytes
        {u"", 5, 0},
    };
    for (const Case& c : cases) {
        const QByteArray bytes = Cp932::FromUnicode(QString::fromUtf16(c.text));
        EXPECT_EQ(Cp932::CutLength(bytes, c.limit), c.expected)
            << QString::fromUtf16(c.text).toStdString() << " limit " << c.limit;
    }
    EXPECT_EQ(Cp932::Cut(Cp932::FromUnicode(u"太郎"), 3), Cp932::FromUnicode(u"太"));
}

TEST(Cp932, PlainAsciiConvertsAsItDoesBesideJapanese)
{
    // Texts of ASCII only take a shortcut past the converter; every ASCII character
    // must come out as the converter makes it when a Japanese one stands beside it.
    const QString kana = QString::fromUtf16(u"あ");
    const QByteArray kanaBytes = Cp932::FromUnicode(kana);
    for (int c = 0; c < 0x80; ++c) {
        const QString one = QChar(char16_t(c));
        const QByteArray byte(1, char(c));
        EXPECT_EQ(Cp932::FromUnicode(one), Cp932::FromUnicode(kana + one).mid(kanaBytes.size()))
            << "U+" << c;
        EXPECT_EQ(Cp932::ToUnicode(byte), Cp932::ToUnicode(kanaBytes + byte).mid(kana.size()))
            << "byte " << c;
    }
}
