#include "CallLanTest.h"

#include "support/EventWaiter.h"

void CallLanTest::SetUp()
{
#if !PALAVO_HAS_CALL_CLIENT
    GTEST_SKIP() << "this build links no call client (liblinphone), so PalavoXP has no voice "
                    "chat to test";
#endif
    ASSERT_TRUE(m_files.isValid());
    LanTest::SetUp();
}

void CallLanTest::TearDown()
{
    // The programs leave the network before the hosts go away.
    m_caller.reset();
    m_callee.reset();
    LanTest::TearDown();
}

CallSettings CallLanTest::CallerSettings() const
{
    CallSettings s;
    s.Aliase = CallerAliase();
    s.AudioIn = FilePath(QStringLiteral("caller-in.wav"));
    s.AudioOut = FilePath(QStringLiteral("caller-out.wav"));
    return s;
}

CallSettings CallLanTest::CalleeSettings() const
{
    CallSettings s;
    s.Aliase = CalleeAliase();
    s.AudioIn = FilePath(QStringLiteral("callee-in.wav"));
    s.AudioOut = FilePath(QStringLiteral("callee-out.wav"));
    return s;
}

void CallLanTest::StartBoth(const CallSettings& caller, const CallSettings& callee,
                            bool calleeVoice)
{
    // Both start at once; each waits for the other's entry.
    m_caller = std::make_unique<CallCopy>(Lan(), 1, caller);
    m_callee = std::make_unique<CallCopy>(Lan(), 2, callee);
    QString why;
    ASSERT_TRUE(m_caller->WaitStarted(&why)) << why.toStdString() << "\n" << Both();
    if (calleeVoice) {
        ASSERT_TRUE(m_callee->WaitStarted(&why)) << why.toStdString() << "\n" << Both();
    } else {
        ASSERT_GE(m_callee->WaitFor(
                      [](const QJsonObject& o) { return o.value("entered").toBool(); }, 15000),
                  0)
            << Both();
        ASSERT_GE(m_callee->WaitFor(
                      [](const QJsonObject& o) {
                          return o.value("panel").toInt() == 2 && o.value("text") == "RTC OFF";
                      },
                      3000),
                  0)
            << "voice chat is not off after the entry\n"
            << Both();
    }
    ASSERT_TRUE(m_caller->WaitForPeer(m_callee->Address())) << Both();
    ASSERT_TRUE(m_callee->WaitForPeer(m_caller->Address())) << Both();
}

std::string CallLanTest::Both() const
{
    QString text;
    if (m_caller)
        text += QStringLiteral("caller ") + m_caller->Tail();
    if (m_callee)
        text += QStringLiteral("callee ") + m_callee->Tail();
    return text.toStdString();
}

void CallLanTest::RequestCall(bool video, size_t* callerFrom, size_t* calleeFrom)
{
    *callerFrom = Caller().Lines().size();
    *calleeFrom = Callee().Lines().size();
    const QString command = QStringLiteral("call ") + Callee().Address() +
                            (video ? QStringLiteral(" video") : QString());
    const QJsonObject answer = Caller().Ask(command);
    ASSERT_TRUE(answer.value("ok").toBool()) << Both();
    ASSERT_GE(Caller().WaitForText("callWindow", Caption(CalleeAliase()), 5000, *callerFrom), 0)
        << Both();
    ASSERT_GE(Callee().WaitForText("callWindow", Caption(CallerAliase()), 5000, *calleeFrom), 0)
        << Both();
}

int CallLanTest::ExpectStatus(CallCopy& copy, const QString& text, size_t from, int timeoutMs)
{
    const int at = copy.WaitForText(QStringLiteral("status"), text, timeoutMs, from);
    if (at < 0)
        ADD_FAILURE() << copy.Settings().Aliase.toStdString() << " never showed \""
                      << text.toStdString() << "\"; it showed "
                      << copy.Statuses(from).join(QStringLiteral(" / ")).toStdString() << "\n"
                      << Both();
    return at;
}

int CallLanTest::ExpectClosed(CallCopy& copy, size_t from, int timeoutMs)
{
    const int at = copy.WaitFor(
        [](const QJsonObject& o) { return o.contains(QStringLiteral("callWindowClosed")); },
        timeoutMs, from);
    if (at < 0)
        ADD_FAILURE() << "the status window of " << copy.Settings().Aliase.toStdString()
                      << " stayed open\n"
                      << Both();
    return at;
}

double CallLanTest::MsBetween(const CallCopy& copy, int first, int second)
{
    return double(copy.At(second).Json.value("atNs").toInteger() -
                  copy.At(first).Json.value("atNs").toInteger()) /
           1e6;
}

testing::AssertionResult CallLanTest::NoBoxes() const
{
    for (const CallCopy* copy : {m_caller.get(), m_callee.get()})
        for (const CallCopy::Line& line : copy->Lines())
            if (line.Json.contains(QStringLiteral("messageBox")))
                return testing::AssertionFailure()
                       << copy->Settings().Aliase.toStdString() << " showed the box \""
                       << line.Json.value("caption").toString().toStdString()
                       << "\": " << line.Json.value("messageBox").toString().toStdString();
    return testing::AssertionSuccess();
}
