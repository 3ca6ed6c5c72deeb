#pragma once

#include "client/ChatInfo.h"
#include "client/IChatActions.h"
#include "platform/MessageBoxService.h"
#include "support/FakeRtcClient.h"
#include "support/PrintQString.h"
#include "support/RecordingNotifications.h"
#include "ui/RTCForm.h"
#include "ui/RtcStatusForm.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// The session as the call manager sees it: each call command as a line,
// "ReqStartVoIP(10.0.0.2,5070,0,0)", "ReqStopVoIP(10.0.0.2)", "RejectVoIP(10.0.0.2)".
class RecordingChat : public IChatActions
{
public:
    void SendChat(const QString&, const QString&, const QString&) override {}
    void SendGroupChat(const QString&, const QString&) override {}
    void SendFile(const QString&, const QString&, const QString&) override {}
    bool ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo,
                      bool capT120) override;
    void ReqStopVoIP(const QString& destIPAddr) override
    {
        Journal << "ReqStopVoIP(" + destIPAddr + ")";
    }
    void RejectVoIP(const QString& destIPAddr) override
    {
        Journal << "RejectVoIP(" + destIPAddr + ")";
    }
    void GetUserDetail(const QString&, QString&, QString&) override {}
    void ChatSeen(const QString&, const QString&) override {}
    QStringList Journal;
    // ReqStartVoIP says the request did not go out.
    bool StartFails = false;
};

// A call manager over fake clients, with recording boxes and session, and the trace log
// (debug on) in a directory of its own. The partner is "花子" at 10.0.0.2.
class Calls : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Init with capability bits `media` as user "taro"; the client listens on
    // 192.168.1.10:5070 unless calls.Setup says otherwise.
    void Init(int media = 1);
    rtc::FakeRtcClient& Client() { return *calls.Last(); }
    // What the client was asked since Init.
    QStringList Ops() const;
    // The trace lines written since the last call, without their time stamps.
    QStringList TakeTrace();
    QStringList BoxTexts() const;
    RtcStatusForm* Offered(bool video = false, bool t120 = false, int32_t port = 5060);
    RtcStatusForm* Requested(bool video = false, bool t120 = false);
    // The partner of the newest session changes to `state`.
    void RaiseParticipant(rtc::ParticipantState state);
    // Lets windows closed by a click or a timer go (they delete themselves).
    static void Settle();

    ChatInfo settings;
    ScriptedMessageBoxService boxes;
    RecordingChat chat;
    rtc::FakeRtcClients calls; // outlives the manager and its clients
    RecordingNotifications notifications;
    std::unique_ptr<RTCForm> manager;

private:
    QTemporaryDir m_home;
    QByteArray m_oldHome;
    qsizetype m_traceRead = 0;
    qsizetype m_initOps = 0;
};
