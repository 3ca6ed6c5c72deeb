#pragma once

#include "client/ChatInfo.h"
#include "client/IChatActions.h"
#include "platform/MessageBoxService.h"
#include "support/FakeRtcClient.h"
#include "support/PrintQString.h"
#include "ui/RTCForm.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class QPushButton;
class RtcStatusForm;

// The session as the call manager sees it: every call command recorded as a line,
// "ReqStartVoIP(10.0.0.2,5070,0,0)", "ReqStopVoIP(10.0.0.2)", "RejectVoIP(10.0.0.2)".
class RecordingChat : public IChatActions
{
public:
    void SendChat(const QString&, const QString&, const QString&) override {}
    void SendGroupChat(const QString&, const QString&) override {}
    void SendFile(const QString&, const QString&, const QString&) override {}
    void ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                      bool capT120) override;
    void ReqStopVoIP(const QString& destIPAddr) override;
    void RejectVoIP(const QString& destIPAddr) override;
    void GetUserDetail(const QString&, QString&, QString&) override {}

    QStringList Journal;
};

// A call manager over a fake client, its own settings directory for the trace log
// (debug on), recording boxes and session. The partner is "花子" at 10.0.0.2.
class Calls : public testing::Test
{
protected:
    static constexpr const char* Partner = "10.0.0.2";

    void SetUp() override;
    void TearDown() override;

    // Initialised with capability bits `media` as user "taro" (the client listens on
    // 192.168.1.10:5070 unless a test set other addresses).
    RTCForm& Manager(int media = 1);
    rtc::FakeRtcClient& Client();
    // The client's journal lines that are call operations (sessions, rings, windows),
    // without the initialisation.
    QStringList CallOperations();
    // The trace lines written since the last call, without their time stamps.
    QStringList TakeTrace();
    QStringList BoxTexts() const;

    // The partner asks us for a call, or we ask it.
    RtcStatusForm* Offered(bool video = false, bool t120 = false, int32_t port = 5060);
    RtcStatusForm* Requested(bool video = false, bool t120 = false);
    static void Click(QPushButton* button);
    // Lets the windows closed by a click or a timer go (they delete themselves later).
    static void Settle();

    ChatInfo settings;
    ScriptedMessageBoxService boxes;
    RecordingChat chat;
    rtc::FakeRtcClients calls;
    std::unique_ptr<RTCForm> manager;

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    qsizetype m_traceRead = 0;
    qsizetype m_initLines = 0;
};
