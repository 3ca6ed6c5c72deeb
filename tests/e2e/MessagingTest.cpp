// Private, group and cast messages between real copies on the virtual LAN.
#include "LanTest.h"
#include "WireListener.h"

#include "platform/Cp932.h"

namespace
{

using Messaging = LanTest;

// The product's receipt wait; these tests run with the product's timings.
constexpr int ReceiptWaitMs = 3000;

bool IsBox(const QJsonObject& line, const QString& caption)
{
    return line.value("messageBox").toObject().value("caption").toString() == caption;
}

// The busy box and the receipt time-out notice are checked once each, where every
// attribute of theirs can be seen: tests/component EngineNotices (the boxes),
// tests/cli CliHostTest (as lines, the busy box before its call's answer).
TEST_F(Messaging, PrivateMessageArrivesWithItsReceipt)
{
    CliPeer& sender = Start(1);
    CliPeer& receiver = Start(2);
    EnterAll({&sender, &receiver});
    const QString text = QStringLiteral("こんにちは、世界！①ｶﾀｶﾅ～");

    const size_t before = sender.Lines().size();
    const qint64 sentAt = CliPeer::Now();
    ASSERT_TRUE(
        sender.Call("SendPrivateMessage", Args({receiver.Address(), 1, text}))["ok"].toBool());
    EXPECT_GE(receiver.WaitForEvent("MessageReceived",
                                    [&](const QJsonArray& a) {
                                        return a == Args({sender.Address(), 2425, "", text, 0});
                                    }),
              0)
        << receiver.Diagnostics().toStdString();
    // The receipt came back: no notice when the wait would have run out.
    const int remaining = static_cast<int>(sentAt + ReceiptWaitMs + 500 - CliPeer::Now());
    EXPECT_LT(sender.WaitForLine([](const QJsonObject& l) { return IsBox(l, "お知らせ"); },
                                 remaining, before),
              0)
        << sender.Diagnostics().toStdString();

    // And the sender is free again: the next message goes out without a box.
    ASSERT_TRUE(
        sender.Call("SendPrivateMessage", Args({receiver.Address(), 1, "二通目"}))["ok"].toBool());
    EXPECT_GE(receiver.WaitForEvent("MessageReceived",
                                    [](const QJsonArray& a) { return a.at(3) == "二通目"; }),
              0);
    EXPECT_TRUE(sender.Boxes().empty()) << sender.Diagnostics().toStdString();
}

TEST_F(Messaging, GroupAndCastMessagesReachEveryone)
{
    CliPeer& a = Start(1);
    CliPeer& b = Start(2);
    CliPeer& c = Start(3);
    EnterAll({&a, &b, &c});

    const QString text = QStringLiteral("全員へ：本日１５時から定例会議です");
    ASSERT_TRUE(a.Call("SendGroupMessage", Args({b.Address(), 1, text, "開発部"}))["ok"].toBool());
    for (CliPeer* peer : {&b, &c})
        EXPECT_GE(
            peer->WaitForEvent("MessageReceived",
                               [&](const QJsonArray& args) {
                                   return args == Args({a.Address(), 2425, "開発部", text, 0});
                               }),
            0)
            << peer->Diagnostics().toStdString();

    ASSERT_TRUE(a.Call("CastGroupMessage", Args({"キャストです", "営業部"}))["ok"].toBool());
    for (CliPeer* peer : {&b, &c})
        EXPECT_GE(peer->WaitForEvent(
                      "GroupMessageReceived",
                      [&](const QJsonArray& args) {
                          return args == Args({a.Address(), 2425, "営業部", "キャストです"});
                      }),
                  0)
            << peer->Diagnostics().toStdString();

    const QJsonObject refused = b.Call("CastGroupMessage", Args({"宛先なし", ""}));
    EXPECT_FALSE(refused["ok"].toBool());
    EXPECT_EQ(refused["error"].toString(), "グループ名が指定されていません");
}

// Two copies and, on host 3, a plain socket that hears their broadcasts byte for byte.
class Wire : public LanTest
{
protected:
    int HostCount() const override { return 3; }
};

TEST_F(Wire, JapaneseTextTravelsInCodePage932)
{
    WireListener wire;
    QString error;
    ASSERT_TRUE(wire.Open(Lan().Namespace(3), 2425, &error)) << error.toStdString();
    CliPeer& a = Start(1);
    CliPeer& b = Start(2);
    EnterAll({&a, &b});
    const QByteArray from = a.Address().toLatin1();
    auto heard = [&](int command) {
        return wire.WaitFor(
            [&](const WireListener::Datagram& d) {
                return d.From == from && SplitDatagram(d.Bytes).Command == command;
            },
            3000);
    };

    // The entry: the alias, then the groups as NUL-separated names.
    const std::optional<WireListener::Datagram> entry = heard(0x1);
    ASSERT_TRUE(entry);
    const WireFields fields = SplitDatagram(entry->Bytes);
    EXPECT_EQ(fields.Extra, Cp932::FromUnicode(SettingsFor(1).Aliase));
    // 山田太郎 in code page 932 (not UTF-8, not UTF-16), written out by hand.
    EXPECT_EQ(fields.Extra.toHex(), "8e52936391be9859");
    EXPECT_EQ(fields.AfterText, Cp932::FromUnicode(QStringLiteral("開発部")) + '\0' +
                                    Cp932::FromUnicode(QStringLiteral("営業部")) + '\0');

    // Presence: alias and location, the location in brackets.
    ASSERT_TRUE(a.Call("UpdatePresense", Args({0, "会議中", ""}))["ok"].toBool());
    const std::optional<WireListener::Datagram> absence = heard(0x104);
    ASSERT_TRUE(absence);
    EXPECT_EQ(SplitDatagram(absence->Bytes).Extra,
              Cp932::FromUnicode(SettingsFor(1).Aliase + QStringLiteral("[会議中]")));

    // A group message with half-width katakana (single bytes) among the double bytes.
    const QString text = QStringLiteral("ｶﾀｶﾅと漢字、①～");
    ASSERT_TRUE(a.Call("SendGroupMessage", Args({b.Address(), 1, text, "開発部"}))["ok"].toBool());
    const std::optional<WireListener::Datagram> group = heard(0x420);
    ASSERT_TRUE(group);
    EXPECT_EQ(SplitDatagram(group->Bytes).Extra, Cp932::FromUnicode(text));
    EXPECT_EQ(SplitDatagram(group->Bytes).Extra.left(4).toHex(), "b6c0b6c5");
    EXPECT_GE(b.WaitForEvent("MessageReceived",
                             [&](const QJsonArray& args) { return args.at(3) == text; }),
              0)
        << "and back to the same text at the other copy";
}

} // namespace
