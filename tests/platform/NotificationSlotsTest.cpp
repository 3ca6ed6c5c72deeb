#include "platform/NotificationSlots.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

using Sent = std::vector<std::pair<uint32_t, QString>>; // the id replaced, the text

// A notification server that keeps each request until the test answers it.
struct HeldServer : INotificationServer {
    void Send(uint32_t replaces, const QString&, const QString& text,
              std::function<void(uint32_t)> shown) override
    {
        sent.emplace_back(replaces, text);
        answers.push_back(std::move(shown));
    }
    void Close(uint32_t id) override { closed.push_back(id); }
    Sent sent;
    std::vector<std::function<void(uint32_t)>> answers;
    std::vector<uint32_t> closed;
};

TEST(NotificationBody, FirstLineOnlyAndNeverMarkup)
{
    const QString x199(NotificationSlots::MaxBodyChars - 1, u'x');
    const std::tuple<QString, bool, QString> cases[] = {
        {"一行目\n二行目", false, "一行目"},
        {"<b>x</b> & y\r\nz", true, "&lt;b&gt;x&lt;/b&gt; &amp; y"},
        {"<b>x</b> & y", false, "<b>x</b> & y"}, // a server without markup shows it as is
        {x199 + "xyz", false, x199 + "x"},
        {x199 + QString::fromUtf8("\xF0\x9F\x98\x80"), false, x199}, // never half a character
    };
    for (const auto& [text, markup, body] : cases)
        EXPECT_EQ(NotificationBody(text, markup), body) << text.toStdString();
}

TEST(NotificationSlots, OnePerConversationReplacedAsLinesArriveFewInAllAndTakenBack)
{
    HeldServer server;
    NotificationSlots book(server);
    auto* window = new QObject;
    int raised = 0;
    const auto line = [&](const QString& key, const QString& text) {
        book.Notify({key, QStringLiteral("花子"), text}, window, [&] { ++raised; });
    };
    line("chat:a", "1");
    line("chat:a", "2"); // waits for the server's id, and the next line overtakes it
    line("chat:a", "3");
    server.answers[0](7);
    server.answers[1](7);
    line("chat:b", "x");
    server.answers[2](8);
    EXPECT_EQ(server.sent, (Sent{{0, "1"}, {7, "3"}, {0, "x"}}));
    book.OnActivated(6);
    book.OnActivated(8);
    EXPECT_EQ(raised, 1);
    book.OnClosed(7);
    line("chat:a", "4");
    server.answers[3](9);
    EXPECT_EQ(server.sent.back(), (Sent::value_type{0, "4"})) << "a closed one is not replaced";
    // A stranger under many addresses: our oldest notification is reused, never more.
    for (int i = 2; i < NotificationSlots::MaxSlots; ++i) {
        line(QString::number(i), "y");
        server.answers.back()(100 + i);
    }
    line("chat:z", "z");
    server.answers.back()(8);
    EXPECT_EQ(server.sent.back(), (Sent::value_type{8, "z"}));
    // Read windows take theirs back: at once, or as soon as the server has named it.
    book.Withdraw("chat:z");
    line("chat:a", "5");
    book.Withdraw("chat:a");
    server.answers.back()(9);
    EXPECT_EQ(server.closed, (std::vector<uint32_t>{8, 9}));
    EXPECT_EQ(book.Count(), NotificationSlots::MaxSlots - 2);
    delete window; // a window that is gone is not raised
    book.OnActivated(100 + 2);
    EXPECT_EQ(raised, 1);
}

} // namespace
