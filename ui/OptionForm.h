#pragma once

#include "client/SettingsRecord.h"
#include "platform/MessageBoxService.h"

#include <QDialog>
#include <QString>

#include <functional>

class ChatInfo;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "オプション設定": the nickname, port, mail address, the media the user offers and
// automatic entry. It loads a whole settings record when made, saves it whole on OK and
// pushes each edited value into the live settings so that the next entry uses them
// without a restart. Which media boxes may be changed depends on the machine's media
// capabilities and the hand-edited "OPTION" switches of the settings file.
class OptionForm : public QDialog
{
    Q_OBJECT
public:
    // Opens the broadcast list dialog modally over `parent` and returns when it closes.
    using BroadCastListOpener = std::function<void(QWidget* parent)>;

    // `capabilities`: the media bits this machine can use (the session's
    // MediaCapabilities). `openBroadCastList` may be empty: "高度な設定..." is then disabled.
    // `keepHistory` starts or stops keeping conversations as OK saves the choice.
    OptionForm(ChatInfo& settings, IMessageBoxService& boxes, int capabilities,
               BroadCastListOpener openBroadCastList, QWidget* parent = nullptr,
               std::function<void(bool)> keepHistory = {});

    // The characters of `text` that the wire's code page cannot carry (each once, in order
    // of first appearance); they would reach the peers as '?'.
    static QString UnsendableCharacters(const QString& text);

    QLineEdit* txtAliase = nullptr;
    QLineEdit* txtPortNo = nullptr;
    QLineEdit* txtMailAddress = nullptr;
    QCheckBox* CheckMM[3] = {};
    QLabel* LabelMM[3] = {};
    QCheckBox* ChkAutoEntry = nullptr;
    QCheckBox* ChkSaveHistory = nullptr;
    QPushButton* cmdSpecial = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void Form_Load();
    void cmdOK_Click();
    void cmdSpecial_Click();
    // A warning about this dialog's fields, captioned as the dialog; the answer.
    MessageBoxAnswer Warn(const QString& text, MessageBoxButtons buttons);

    ChatInfo& m_settings;
    IMessageBoxService& m_boxes;
    int m_capabilities = 0;
    BroadCastListOpener m_openBroadCastList;
    std::function<void(bool)> m_keepHistory;
    SettingsRecord m_record;
};
