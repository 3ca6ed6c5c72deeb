#include "platform/DebugOutput.h"
#include "platform/SaveAsDialogService.h"
#include "platform/ShellService.h"

#include <QLoggingCategory>
#include <QStringList>

#include <gtest/gtest.h>

namespace
{

QStringList g_debugLines;

void Record(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (QLatin1String(context.category) == QLatin1String(lcDebugOutput().categoryName()))
        g_debugLines << text;
}

// Without a desktop nothing opens, and the debug output says what would have.
TEST(HeadlessShell, SaysWhatItWouldOpen)
{
    QLoggingCategory::setFilterRules(QStringLiteral("palavo.debug.debug=true"));
    g_debugLines.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Record);
    HeadlessShell shell;
    shell.Open(QStringLiteral("/tmp/受信.txt"));
    shell.Open(QStringLiteral("mailto:a@b"));
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules({});
    EXPECT_EQ(g_debugLines, (QStringList{QStringLiteral("no desktop to open /tmp/受信.txt"),
                                         QStringLiteral("no desktop to open mailto:a@b")}));
}

TEST(CancellingSaveAsDialogs, EveryDialogIsCancelled)
{
    CancellingSaveAsDialogs dialogs;
    EXPECT_EQ(dialogs.AskSavePath({QStringLiteral("a.txt")}), std::nullopt);
    EXPECT_EQ(dialogs.AskSavePath({}), std::nullopt);
}

} // namespace
