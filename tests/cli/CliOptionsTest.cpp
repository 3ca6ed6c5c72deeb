#include "CliOptions.h"

#include <gtest/gtest.h>

TEST(CliOptions, TimingAndHome)
{
    struct Case {
        QStringList args;
        bool ok;
        int receipt, xml, drop;
    };
    const Case cases[] = {
        {{}, true, 3000, 2000, 1000}, // the product's waits unless a test asks
        {{"--timing", "receipt=100,xml=50,drop=0"}, true, 100, 50, 0},
        {{"--timing", "xml=70"}, true, 3000, 70, 1000},
        {{"--timing", "receipt=abc"}, false, 0, 0, 0},
        {{"--timing", "receipt"}, false, 0, 0, 0},
        {{"--timing", "speed=1"}, false, 0, 0, 0},
        {{"--timing", "drop=-5"}, false, 0, 0, 0},
        {{"--timing"}, false, 0, 0, 0},
        {{"--frobnicate"}, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        QString error;
        bool help = true;
        const std::optional<CliOptions> options = ParseCliOptions(c.args, &error, &help);
        EXPECT_FALSE(help);
        ASSERT_EQ(options.has_value(), c.ok) << c.args.join(' ').toStdString();
        if (!c.ok) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        const EngineTiming timing = options->Timing.value_or(EngineTiming{});
        EXPECT_EQ(timing.ReceiptTimeoutMs, c.receipt);
        EXPECT_EQ(timing.XmlResendMs, c.xml);
        EXPECT_EQ(timing.DropWaitMs, c.drop);
    }

    QString error;
    bool help = false;
    EXPECT_EQ(ParseCliOptions({"--home", "/tmp/x"}, &error, &help)->Home, "/tmp/x");
    EXPECT_FALSE(ParseCliOptions({"--help"}, &error, &help));
    EXPECT_TRUE(help);
}
