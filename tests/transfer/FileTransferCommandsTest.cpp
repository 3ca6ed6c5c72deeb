#include "component/FileTransferCommands.h"

#include "TransferHarness.h"
#include "platform/Cp932.h"

#include <gtest/gtest.h>

#include <limits>

using namespace FileTransferCommands;

namespace
{

TEST(FileTransferCommands, NumbersReadLikeAtoi)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"2426", 2426},
        {"  77", 77},
        {"+5", 5},
        {"-1", -1},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"2147483647", INT32_MAX},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
        {"- 5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecimalValue(c.text), c.value) << c.text;
}

TEST(FileTransferCommands, OfferedNamesBecomePlainFileNames)
{
    const struct {
        const char16_t* offered;
        const char16_t* plain;
    } cases[] = {
        {u"report.txt", u"report.txt"},
        {u"資料 (1).xlsx", u"資料 (1).xlsx"},
        {u"../../.bashrc", u".bashrc"},              // no way out of the chosen folder
        {u"..\\..\\Windows\\evil.dll", u"evil.dll"}, // either separator counts
        {u"/etc/passwd", u"passwd"},
        {u"a\nb\tc\x7f.txt", u"abc.txt"}, // control characters go
        // So do the invisible format characters: direction overrides would show this
        // one as "invoiceexe.pdf"; isolates, marks, joiners, the byte-order mark and a
        // tag character from outside the first plane.
        {u"invoice\u202Efdp.exe", u"invoicefdp.exe"},
        {u"\u2066a\u2069\u200Eb\u200F\u061Cc\u202A\u202B\u202C\u202D.txt", u"abc.txt"},
        {u"a\u200Bb\u200Dc\uFEFF\u00AD\U000E0041.txt", u"abc.txt"},
        {u"\u202E", u"file"},
        {u"ソ.txt", u"ソ.txt"}, // 0x83 0x5C in code page 932 is not a separator
        {u"..", u"file"},
        {u".", u"file"},
        {u"", u"file"},
        {u"dir/", u"file"},
        {u"dir/..", u"file"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlainFileName(QString::fromUtf16(c.offered)), QString::fromUtf16(c.plain))
            << QString::fromUtf16(c.offered).toStdString();
    }
    // The same through the wire's code page: the second byte of ソ is a backslash.
    const QByteArray wire = Cp932::FromUnicode(u"ソ.txt");
    ASSERT_EQ(wire.at(1), '\\');
    EXPECT_EQ(PlainFileName(Cp932::ToUnicode(wire)), QStringLiteral("ソ.txt"));
}

TEST(FileTransferCommands, ProgressDisplay)
{
    const struct {
        int64_t done, total;
        int maximum, value;
        const char16_t* text;
    } cases[] = {
        // Halfway through 100 000 000 bytes: 50 percent, the bar in the middle of 0..100
        // (done * 100 overflows 32 bits here).
        {50'000'000, 100'000'000, 100, 50, u"100000000バイト中、50000000バイト受信 (50％)"},
        {0, 100'000, 100, 0, u"100000バイト中、0バイト受信 (00％)"},
        {4096, 8192, 100, 50, u"8192バイト中、4096バイト受信 (50％)"},
        {100'000, 100'000, 100, 100, u"100000バイト中、100000バイト受信 (100％)"},
        // Small files: the bar counts bytes.
        {1000, 4096, 4096, 1000, u"4096バイト中、1000バイト受信 (24％)"},
        {3, 10, 10, 3, u"10バイト中、3バイト受信 (30％)"},
        {4097, 4097, 100, 100, u"4097バイト中、4097バイト受信 (100％)"},
        // The largest size that can be offered.
        {INT32_MAX - 1, INT32_MAX, 100, 99, u"2147483647バイト中、2147483646バイト受信 (99％)"},
        // Nothing to send counts as done rather than dividing by zero.
        {0, 0, 0, 0, u"0バイト中、0バイト受信 (100％)"},
    };
    for (const auto& c : cases) {
        const ProgressDisplay display = MakeProgressDisplay(c.done, c.total);
        EXPECT_EQ(display.Maximum, c.maximum) << c.done << "/" << c.total;
        EXPECT_EQ(display.Value, c.value) << c.done << "/" << c.total;
        EXPECT_EQ(display.Text, QString::fromUtf16(c.text));
    }
}

} // namespace
