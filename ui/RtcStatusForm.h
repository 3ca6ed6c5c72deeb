#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class ChatInfo;
class QCloseEvent;
class QLabel;
class QPushButton;

// The small window that accompanies one call from request to end: one status line,
// "承諾" and "拒否" for the callee, "切断" for the caller and during the call, and the two
// sharing buttons during the call. It does no call handling: its buttons raise the
// signals below, which the call manager (RTCForm) handles, and the manager drives it
// through Init, SetStatus and closeForm. It deletes itself once closed.
//
//     auto* form = new RtcStatusForm(settings, machineCaps, manager);
//     form->setWindowTitle("音声チャット for " + aliase);
//     form->Init(aliase, /*receiver=*/true, video, t120);
//     form->show();
//
// Found by tests as the window named "RtcStatusForm"; its controls carry their names.
class RtcStatusForm : public QWidget
{
    Q_OBJECT
public:
    // `settings` (for "autoAnswer") outlives the window. `machineCaps` are the media
    // capabilities of the call client (bit 4 whiteboard), which decide whether the
    // sharing buttons can be used. A parent makes it a window owned by that parent.
    RtcStatusForm(const ChatInfo& settings, int machineCaps, QWidget* parent = nullptr);

    // Prepares the window for the callee (`receiver`) or the caller; the callee's window
    // answers by itself a second later when automatic answer is on.
    void Init(const QString& user, bool receiver, bool video, bool t120);
    // 0 empty, 1 waiting for the partner, 2 busy, 3 talking, 4 the request could not be
    // sent, 5 refused, 6 partner hung up, 7 invitation, 9 processing; other values change
    // nothing.
    void SetStatus(int sts);
    // Closes the window after `sec` seconds (a tenth of a second for 0).
    void closeForm(int sec);

    // The timers' ticks, as the timers deliver them.
    void TimerAutoAnswer_Timer();
    void Timer1_Timer();

    QLabel* lblStatus = nullptr;
    QPushButton* btnAccept = nullptr;
    QPushButton* btnDrop = nullptr;
    QPushButton* btnReject = nullptr;
    QPushButton* WbButton = nullptr;
    QPushButton* AppButton = nullptr;
    QTimer TimerAutoAnswer;
    QTimer Timer1;

signals:
    void OnRtcRejected();
    void OnRtcDropped();
    void OnRtcAccepted(bool video, bool t120);
    void OnRtcWbShareClicked();
    void OnRtcAppShareClicked();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void btnAccept_Click();
    void btnReject_Click();
    void btnDrop_Click();
    // The window's height: down to the sharing row, or with it and a margin below.
    void FitHeight(bool withSharingRow);
    void ShowSharingRow();
    void CloseNow();

    const ChatInfo& m_settings;
    int m_machineCaps = 0;
    QString user;
    bool video = false;
    bool t120 = false;
    // Set while the window closes by its own decision, not by the user's close box.
    bool m_closingByCode = false;
};
