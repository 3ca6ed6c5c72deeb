#pragma once

#include "CallWindowWatch.h"

#include "client/IMemberCommandDialogs.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class CallClients;
class PalavoCtrl;

// The hand of a person at one PalavoXP, for the call tests: takes text commands from the
// test (one a line) and tells what the windows show as JSON lines on its output. It
// looks at the windows only as a person would (their captions, the status line, the
// buttons by their texts) and presses buttons as a click does, so the program needs no
// test hooks.
//
//   call ADDRESS [video]   "音声チャット" of the menu "操作" on that member's row, confirmed
//   accept | reject | drop the status window's "承諾", "拒否" or "切断"
//   signal stop|reject|request ADDRESS [PORT [video]]   that call command sent as it is
//   status?                the status window as it is now ("caption", "shows", "buttons")
//   calls?                 the calls the call clients hold ("media": MediaType bits each)
//                          and the call manager's SIP port ("sipPort")
//   shot PATH              a picture of the other side's video as the display shows it
//   quit                   the program leaves the network and ends
//
// Lines out, each with "atNs" (the steady clock, the same in every process here):
//   {"ready":true,"address":...}, {"entered":true}, {"panel":2,"text":"RTC ON"},
//   {"member":ADDRESS,"aliase":...,"product":true}, {"messageBox":TEXT,"caption":...},
//   the lines of CallWindowWatch (status window, status line, buttons, video windows),
//   {"answer":COMMAND,"ok":true|false,"error":...} for every command.
class CallDriver : public QObject, private IMemberCommandDialogs
{
    Q_OBJECT
public:
    using Output = std::function<void(const QByteArray& line)>;

    // `ctrl` and `calls` (the program's) outlive the driver; lines go to `output`, each
    // ending in '\n'.
    CallDriver(PalavoCtrl& ctrl, const CallClients& calls, Output output);

    // Starts watching; prints the ready line.
    void Start();
    // Takes bytes of the command input; whole lines are carried out, the rest waits.
    void Feed(QByteArrayView bytes);
    // A line of our own, with the time stamp added.
    void Print(QJsonObject line);

signals:
    void QuitRequested();

private:
    // The call confirmation says OK, with video when the command asked for it; the
    // file-send dialog is not for these tests.
    bool ConfirmVoIP(const QString& aliase, bool offerVideo, bool& video) override;
    void ShowFileTrans(const QString& destAddress, const QString& file,
                       const QString& aliase) override;

    void Run(const QString& command);
    // Selects the member's row and chooses "音声チャット"; false with the reason when a
    // person could not.
    bool ChooseVoiceChat(const QString& address, QString* error);
    void Answer(const QString& command, bool ok, const QString& error = {});
    void Watch();
    void WatchMembers();

    PalavoCtrl& m_ctrl;
    const CallClients& m_calls;
    Output m_output;
    QByteArray m_partial;
    QTimer m_watch;
    bool m_entered = false;
    QString m_panels[4];
    QStringList m_members; // address and "+" (one of us) or "-", as last told
    CallWindowWatch m_windows;
    bool m_wantVideo = false;
    bool m_confirmed = false;
};
