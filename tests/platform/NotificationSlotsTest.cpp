#include "platform/NotificationSlots.h"
#include "support/PrintQString.h"

#include <QObject>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

// A notification server that keeps each request until the test answers it.
struct HeldServer : INotificationServer {
    struct Request {
        uint32_t ReplacesId;
        QString Text;
        std::function<void(uint32_t)> Shown;
    };
    void Send(uint32_t replacesId, const QString&, const QString& text,
              std::function<void(uint32_t)> shown) override
    {
        requests.push_back({replacesId, text, std::move(shown)});
    }
    void Answer(std::size_t index, uint32_t id) { requests.at(index).Shown(id); }
    std::vector<Request> requests;
};

DesktopNotification Line(const QString& key, const QString& text)
{
    return {key, QStringLiteral("花子"), text};
}

TEST(NotificationBody, FirstLineOnlyAndNeverMarkup)
{
    const QString pair = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    struct Case {
        QString text;
        bool markup;
        QString body;
    };
    const Case cases[] = {
        {"一行目\n二行目", false, "一行目"},
        {"a\r\nb", true, "a"},
        {"<b>x</b> & <a href='y'>", true, "&lt;b&gt;x&lt;/b&gt; &amp; &lt;a href='y'&gt;"},
        {"<b>x</b> & y", false, "<b>x</b> & y"}, // a server without markup shows it as is
        {QString(300, u'x'), false, QString(NotificationSlots::MaxBodyChars, u'x')},
        {QString(NotificationSlots::MaxBodyChars - 1, u'x') + pair, false,
         QString(NotificationSlots::MaxBodyChars - 1, u'x')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NotificationBody(c.text, c.markup), c.body) << c.text.toStdString();
}

TEST(NotificationSlots, OneNotificationPerConversationReplacedAsLinesArrive)
{
    HeldServer server;
    NotificationSlots book(server);
    book.Notify(Line("chat:10.0.0.2", "1"), nullptr, {});
    // Until the server has said which notification it made, lines wait and merge.
    book.Notify(Line("chat:10.0.0.2", "2"), nullptr, {});
    book.Notify(Line("chat:10.0.0.2", "3"), nullptr, {});
    ASSERT_EQ(server.requests.size(), 1u);
    server.Answer(0, 7);
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[1].ReplacesId, 7u);
    EXPECT_EQ(server.requests[1].Text, "3");
    server.Answer(1, 7);
    book.Notify(Line("chat:10.0.0.2", "4"), nullptr, {});
    book.Notify(Line("chat:10.0.0.3", "a"), nullptr, {});
    ASSERT_EQ(server.requests.size(), 4u);
    EXPECT_EQ(server.requests[2].ReplacesId, 7u);
    EXPECT_EQ(server.requests[3].ReplacesId, 0u);
    EXPECT_EQ(book.Count(), 2);
}

TEST(NotificationSlots, ClosedFreesItsPlaceAndAFloodOfConversationsStaysBounded)
{
    HeldServer server;
    NotificationSlots book(server);
    book.Notify(Line("chat:a", "1"), nullptr, {});
    server.Answer(0, 1);
    book.OnClosed(1);
    EXPECT_EQ(book.Count(), 0);
    book.Notify(Line("chat:a", "2"), nullptr, {});
    EXPECT_EQ(server.requests.back().ReplacesId, 0u);
    server.Answer(1, 2);
    // A stranger under many addresses: the oldest notification is reused, never more.
    for (int i = 0; i < NotificationSlots::MaxSlots; ++i) {
        book.Notify(Line(QStringLiteral("chat:x%1").arg(i), "x"), nullptr, {});
        server.Answer(server.requests.size() - 1, 100 + i);
    }
    EXPECT_EQ(book.Count(), NotificationSlots::MaxSlots);
    EXPECT_EQ(server.requests.back().ReplacesId, 2u);
    // No server: nothing of ours is shown, and nothing is kept.
    book.Notify(Line("chat:x0", "y"), nullptr, {});
    server.Answer(server.requests.size() - 1, 0);
    EXPECT_EQ(book.Count(), NotificationSlots::MaxSlots - 1);
}

TEST(NotificationSlots, ActivationReachesOnlyAWindowThatIsStillThere)
{
    HeldServer server;
    NotificationSlots book(server);
    auto window = std::make_unique<QObject>();
    int raised = 0;
    book.Notify(Line("chat:a", "1"), window.get(), [&] { ++raised; });
    server.Answer(0, 5);
    book.OnActivated(6);
    book.OnActivated(5);
    EXPECT_EQ(raised, 1);
    window.reset();
    book.OnActivated(5);
    EXPECT_EQ(raised, 1);
}

} // namespace
