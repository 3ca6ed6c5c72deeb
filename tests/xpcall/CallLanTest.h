#pragma once

#include "CallCopy.h"
#include "LanTest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Two PalavoXP programs (palavo-call-host) on hosts 1 and 2 of the virtual LAN, each in
// its own process inside its host, as two people on two machines. Their calls carry
// sound from and to files. Skips with the reason when the LAN cannot be built or the
// build has no call client.
class CallLanTest : public LanTest
{
protected:
    int HostCount() const override { return 2; }
    void SetUp() override;
    void TearDown() override;

    static QString CallerAliase() { return QStringLiteral("山田太郎"); }
    static QString CalleeAliase() { return QStringLiteral("花子"); }
    // What the status window of a call with `aliase` is captioned.
    static QString Caption(const QString& aliase)
    {
        return QStringLiteral("音声チャット for ") + aliase;
    }

    // Settings of the caller (host 1) and the callee (host 2): voice, sound from
    // <files>/caller-in.wav and to <files>/caller-out.wav (callee-… for the callee).
    CallSettings CallerSettings() const;
    CallSettings CalleeSettings() const;
    QString FilePath(const QString& name) const { return m_files.filePath(name); }

    // Starts both programs and waits until each has entered with voice chat on (the
    // callee with it off, "RTC OFF", when `calleeVoice` is false) and knows the other as
    // a peer of this system. Fails the test otherwise.
    void StartBoth(const CallSettings& caller, const CallSettings& callee, bool calleeVoice = true);
    CallCopy& Caller() { return *m_caller; }
    CallCopy& Callee() { return *m_callee; }
    // Both programs' last lines, for failure messages.
    std::string Both() const;

    // The caller asks the callee for a call; both status windows open (fails the test
    // otherwise). The line indexes from where each side's call is told.
    void RequestCall(bool video, size_t* callerFrom, size_t* calleeFrom);
    // Waits until `copy` shows `text` from line `from` on; its line, or -1 with a failure.
    int ExpectStatus(CallCopy& copy, const QString& text, size_t from, int timeoutMs = 10000);
    // Waits until the status window of `copy` has closed after line `from`; its line.
    int ExpectClosed(CallCopy& copy, size_t from, int timeoutMs = 6000);
    // The calls the call client of `copy` holds, each as the media it carries ("[3]").
    static std::string HeldCalls(CallCopy& copy)
    {
        const QJsonArray media = copy.Ask(QStringLiteral("calls?")).value("media").toArray();
        return QJsonDocument(media).toJson(QJsonDocument::Compact).toStdString();
    }
    // The port on which the call manager of `copy` takes the calls it asks for.
    static QString SipPort(CallCopy& copy)
    {
        return QString::number(copy.Ask(QStringLiteral("calls?")).value("sipPort").toInt());
    }
    // Neither program showed a message box (an error, a refusal, "お願い").
    testing::AssertionResult NoBoxes() const;
    // Milliseconds between two lines of one program, on the program's own clock.
    static double MsBetween(const CallCopy& copy, int first, int second);

private:
    QTemporaryDir m_files;
    std::unique_ptr<CallCopy> m_caller;
    std::unique_ptr<CallCopy> m_callee;
};
