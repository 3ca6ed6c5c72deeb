#include "platform/MessageBoxService.h"

#include <gtest/gtest.h>

TEST(MessageBoxService, ScriptedRecordsAndAnswersFromItsQueueThenDefault)
{
    ScriptedMessageBoxService boxes;
    boxes.QueueAnswer(MessageBoxAnswer::No);
    boxes.QueueAnswer(MessageBoxAnswer::Cancel);

    const MessageBoxRequest question{QStringLiteral("終了しますか？"), QStringLiteral("かくにん"),
                                     MessageBoxIcon::Question, MessageBoxButtons::YesNo};
    EXPECT_EQ(boxes.Show(nullptr, question), MessageBoxAnswer::No);
    EXPECT_EQ(boxes.Show(nullptr, question), MessageBoxAnswer::Cancel);
    EXPECT_EQ(boxes.Show(nullptr, question), MessageBoxAnswer::Yes);
    EXPECT_EQ(boxes.Show(
                  nullptr,
                  {QStringLiteral("x"), {}, MessageBoxIcon::Error, MessageBoxButtons::RetryCancel}),
              MessageBoxAnswer::Retry);

    ASSERT_EQ(boxes.Shown().size(), 4u);
    EXPECT_EQ(boxes.Shown()[0].Text, question.Text);
    EXPECT_EQ(boxes.Shown()[0].Caption, question.Caption);
    EXPECT_EQ(boxes.Shown()[0].Icon, MessageBoxIcon::Question);
    EXPECT_EQ(boxes.Shown()[3].Buttons, MessageBoxButtons::RetryCancel);
    boxes.Clear();
    EXPECT_TRUE(boxes.Shown().empty());
}
