#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;

// "音声(ビデオ)チャットの確認": asked before a call is placed, with the choice of video.
// The caller fills it, shows it modally and reads m_OK and video() afterwards; both
// buttons only hide the dialog.
//
//     ConfirmVoIPForm form(parent);
//     form.Init(aliase, offerVideo);   // video can be chosen only when offered
//     form.exec();
//     if (form.m_OK) manager.RequestConnect(address, aliase, form.video(), capT120);
class ConfirmVoIPForm : public QDialog
{
    Q_OBJECT
public:
    explicit ConfirmVoIPForm(QWidget* parent = nullptr);

    // The question for `toUser`; `video` offers "ビデオ使用", checked, else it is unchecked
    // and cannot be checked.
    void Init(const QString& toUser, bool video);
    // Whether the user wants video.
    bool video() const;

    // True when closed with OK.
    bool m_OK = false;

    QLabel* lblMessage = nullptr;
    QCheckBox* CheckVideo = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void OKButton_Click();
    void CancelButton_Click();
};
