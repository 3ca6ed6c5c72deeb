#include "RtcStatusForm.h"

#include "client/ChatInfo.h"
#include "ui/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace
{
// The window as designed, in twips: the status line, the row of the three call
// buttons, and the sharing row below them.
constexpr int FormWidth = 5400;
constexpr int Margin = 120;
constexpr int LabelTop = 120;
constexpr int LabelHeight = 480;
constexpr int CallRowTop = 720;
constexpr int CallButtonWidth = 1560;
constexpr int CallButtonGap = 240;
constexpr int ButtonHeight = 420;
constexpr int SharingRowTop = 1320;
constexpr int SharingButtonWidth = 2520;
constexpr int SharingButtonGap = 120;
// Below the sharing row when it is shown.
constexpr int SharingRowMargin = 150;

constexpr int WhiteboardCapability = 4;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

// Places `widget` at a designed position, made wider when its caption needs more room
// than designed (large fonts).
void Place(QWidget* widget, int left, int top, int width, int height)
{
    const int w = std::max(TwipsToPixels(widget, width), widget->sizeHint().width());
    widget->setGeometry(TwipsToPixels(widget, left), TwipsToPixels(widget, top), w,
                        TwipsToPixels(widget, height));
}
} // namespace

RtcStatusForm::RtcStatusForm(const ChatInfo& settings, int machineCaps, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_machineCaps(machineCaps)
{
    setObjectName(QStringLiteral("RtcStatusForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    // A call window left open must not keep the program running after its main window.
    setAttribute(Qt::WA_QuitOnClose, false);

    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    // Nicknames come from the network: plain text, never markup.
    lblStatus->setTextFormat(Qt::PlainText);
    btnAccept = MakeButton(this, "btnAccept", QStringLiteral("承諾"));
    btnDrop = MakeButton(this, "btnDrop", QStringLiteral("切断"));
    btnReject = MakeButton(this, "btnReject", QStringLiteral("拒否"));
    WbButton = MakeButton(this, "WbButton", QStringLiteral("ホワイトボード共有"));
    AppButton = MakeButton(this, "AppButton", QStringLiteral("アプリケーション共有"));

    Place(lblStatus, Margin, LabelTop, FormWidth - 2 * Margin, LabelHeight);
    int left = Margin;
    for (QPushButton* button : {btnAccept, btnDrop, btnReject}) {
        Place(button, left, CallRowTop, CallButtonWidth, ButtonHeight);
        left = PixelsToTwips(this, button->geometry().right() + 1) + CallButtonGap;
    }
    Place(WbButton, Margin, SharingRowTop, SharingButtonWidth, ButtonHeight);
    Place(AppButton, PixelsToTwips(this, WbButton->geometry().right() + 1) + SharingButtonGap,
          SharingRowTop, SharingButtonWidth, ButtonHeight);
    const int right = std::max({btnReject->geometry().right(), AppButton->geometry().right()});
    setFixedWidth(std::max(TwipsToPixels(this, FormWidth), right + TwipsToPixels(this, Margin)));

    TimerAutoAnswer.setObjectName(QStringLiteral("TimerAutoAnswer"));
    TimerAutoAnswer.setParent(this);
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setParent(this);
    connect(&TimerAutoAnswer, &QTimer::timeout, this, &RtcStatusForm::TimerAutoAnswer_Timer);
    connect(&Timer1, &QTimer::timeout, this, &RtcStatusForm::Timer1_Timer);
    connect(btnAccept, &QPushButton::clicked, this, &RtcStatusForm::btnAccept_Click);
    connect(btnReject, &QPushButton::clicked, this, &RtcStatusForm::btnReject_Click);
    connect(btnDrop, &QPushButton::clicked, this, &RtcStatusForm::btnDrop_Click);
    connect(WbButton, &QPushButton::clicked, this, &RtcStatusForm::OnRtcWbShareClicked);
    connect(AppButton, &QPushButton::clicked, this, &RtcStatusForm::OnRtcAppShareClicked);

    // Until Init says who we are, no button is offered.
    btnAccept->hide();
    btnReject->hide();
    btnDrop->hide();
    WbButton->setEnabled(false);
    WbButton->hide();
    AppButton->setEnabled(false);
    AppButton->hide();
    FitHeight(false);
}

void RtcStatusForm::Init(const QString& user_, bool receiver, bool video_, bool t120_)
{
    user = user_;
    t120 = t120_;
    video = video_;
    if (receiver) {
        btnAccept->show();
        btnReject->show();
        lblStatus->setText(user + QStringLiteral("さんから音声チャットのお誘いです"));
    } else {
        btnDrop->show();
        lblStatus->setText(QStringLiteral("相手の承諾を待っています"));
    }
    FitHeight(false);
    if (receiver && m_settings.autoAnswer())
        TimerAutoAnswer.start(1000);
}

void RtcStatusForm::SetStatus(int sts)
{
    switch (sts) {
    case 0:
        lblStatus->clear();
        break;
    case 1:
        btnAccept->hide();
        btnReject->hide();
        btnDrop->show();
        ShowSharingRow();
        lblStatus->setText(QStringLiteral("相手の承諾を待っています"));
        break;
    case 2:
        lblStatus->setText(QStringLiteral("相手は話し中です"));
        break;
    case 3: {
        ShowSharingRow();
        // Sharing needs the machine's whiteboard and a call that offered it.
        const bool sharing = (m_machineCaps & WhiteboardCapability) != 0 && t120;
        WbButton->setEnabled(sharing);
        AppButton->setEnabled(sharing);
        btnAccept->hide();
        btnReject->hide();
        btnDrop->show();
        lblStatus->setText(QStringLiteral("通話中です"));
        break;
    }
    case 4:
        // The request could not be sent: nothing will answer it.
        lblStatus->setText(QStringLiteral("相手を呼び出せませんでした"));
        break;
    case 5:
        lblStatus->setText(QStringLiteral("相手が拒否しました"));
        break;
    case 6:
        lblStatus->setText(QStringLiteral("相手が切断しました"));
        break;
    case 7:
        ShowSharingRow();
        lblStatus->setText(QStringLiteral("さんから音声チャットのお誘いです"));
        break;
    case 9:
        lblStatus->setText(QStringLiteral("処理中です"));
        break;
    default:
        break;
    }
}

void RtcStatusForm::closeForm(int sec)
{
    Timer1.start(sec == 0 ? 100 : sec * 1000);
}

void RtcStatusForm::TimerAutoAnswer_Timer()
{
    TimerAutoAnswer.stop();
    emit OnRtcAccepted(video, t120);
}

void RtcStatusForm::Timer1_Timer()
{
    Timer1.stop();
    CloseNow();
}

void RtcStatusForm::btnAccept_Click()
{
    // Answered by hand: the automatic answer must not accept a second time.
    TimerAutoAnswer.stop();
    emit OnRtcAccepted(video, t120);
}

void RtcStatusForm::btnReject_Click()
{
    emit OnRtcRejected();
    CloseNow();
}

void RtcStatusForm::btnDrop_Click()
{
    emit OnRtcDropped();
    CloseNow();
}

void RtcStatusForm::CloseNow()
{
    m_closingByCode = true;
    close();
}

void RtcStatusForm::closeEvent(QCloseEvent* event)
{
    // The close box ends the call as the button offered would: a call left without its
    // window could neither be answered nor hung up, and would keep refusing every other
    // request as busy. A window already counting down to its close has nothing to end.
    if (!m_closingByCode && !Timer1.isActive()) {
        m_closingByCode = true;
        if (btnReject->isVisibleTo(this))
            emit OnRtcRejected();
        else if (btnDrop->isVisibleTo(this))
            emit OnRtcDropped();
    }
    event->accept();
}

void RtcStatusForm::FitHeight(bool withSharingRow)
{
    int height = TwipsToPixels(this, SharingRowTop);
    if (withSharingRow)
        height = WbButton->geometry().bottom() + 1 + TwipsToPixels(this, SharingRowMargin);
    setFixedHeight(height);
}

void RtcStatusForm::ShowSharingRow()
{
    FitHeight(true);
    WbButton->show();
    AppButton->show();
}
