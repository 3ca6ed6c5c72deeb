#include "OptionForm.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/Cp932.h"
#include "platform/MessageBoxService.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace
{

const QString Caption = QStringLiteral("オプション設定");
constexpr int MaxPort = 65534;

// The port as typed: a whole number from 1 to 65534 in decimal digits, blanks around it
// allowed; anything else (a sign, a fraction, letters) is not a port. 65535 would do for
// the chat, but file transfers listen on the port + 1, which does not exist for it.
std::optional<int32_t> ParsePort(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 5)
        return std::nullopt;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int port = digits.toInt();
    if (port < 1 || port > MaxPort)
        return std::nullopt;
    return port;
}

} // namespace

OptionForm::OptionForm(ChatInfo& settings, IMessageBoxService& boxes, int capabilities,
                       BroadCastListOpener openBroadCastList, QWidget* parent,
                       std::function<void(bool)> keepHistory)
    : QDialog(parent), m_settings(settings), m_boxes(boxes), m_capabilities(capabilities),
      m_openBroadCastList(std::move(openBroadCastList)), m_keepHistory(std::move(keepHistory))
{
    setWindowTitle(Caption);

    auto named = [this](auto* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    txtAliase = named(new QLineEdit(this), "txtAliase");
    txtPortNo = named(new QLineEdit(this), "txtPortNo");
    txtPortNo->setMaxLength(10);
    txtMailAddress = named(new QLineEdit(this), "txtMailAddress");
    txtAliase->setMinimumWidth(fontMetrics().averageCharWidth() * 36);

    auto* fields = new QGridLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"ニックネーム", txtAliase}, {"ポート番号", txtPortNo}, {"メールアドレス", txtMailAddress}};
    int row = 0;
    for (const auto& [label, edit] : rows) {
        auto* text = new QLabel(QString::fromUtf8(label), this);
        text->setBuddy(edit);
        fields->addWidget(text, row, 0);
        fields->addWidget(edit, row, 1);
        ++row;
    }

    auto* media = named(new QGroupBox(QStringLiteral("マルチメディア"), this), "FrameMM");
    auto* mediaRow = new QHBoxLayout(media);
    const char* mediaNames[] = {"音声", "ビデオ", "ホワイトボード"};
    for (int i = 0; i < 3; ++i) {
        CheckMM[i] = new QCheckBox(media);
        CheckMM[i]->setObjectName(QStringLiteral("CheckMM%1").arg(i));
        LabelMM[i] = new QLabel(QString::fromUtf8(mediaNames[i]), media);
        LabelMM[i]->setObjectName(QStringLiteral("LabelMM%1").arg(i));
        LabelMM[i]->setBuddy(CheckMM[i]);
        mediaRow->addWidget(CheckMM[i]);
        mediaRow->addWidget(LabelMM[i]);
        mediaRow->addSpacing(12);
    }
    mediaRow->addStretch();

    ChkAutoEntry =
        named(new QCheckBox(QStringLiteral(" このプログラム起動時に自動的にエントリを行う"), this),
              "ChkAutoEntry");
    ChkSaveHistory =
        named(new QCheckBox(QStringLiteral(" 会話の履歴を保存する"), this), "ChkSaveHistory");
    cmdSpecial = named(new QPushButton(QStringLiteral("高度な設定..."), this), "cmdSpecial");
    cmdSpecial->setAutoDefault(false);
    cmdSpecial->setMinimumWidth(cmdSpecial->sizeHint().width() +
                                fontMetrics().averageCharWidth() * 2);
    cmdSpecial->setEnabled(static_cast<bool>(m_openBroadCastList));
    cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this), "cmdCancel");
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSpecial);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(media);
    layout->addWidget(ChkAutoEntry);
    layout->addWidget(ChkSaveHistory);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &OptionForm::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdSpecial, &QPushButton::clicked, this, &OptionForm::cmdSpecial_Click);

    Form_Load();
}

void OptionForm::Form_Load()
{
    ProcessOptions options;
    m_record = INIData::LoadSettings(&options);
    txtAliase->setText(m_record.aliase);
    txtPortNo->setText(QString::number(m_record.port));
    txtMailAddress->setText(m_record.mailAddress);

    const int bits[] = {MediaVoice, MediaVideo, MediaWhiteboard};
    for (int i = 0; i < 3; ++i) {
        CheckMM[i]->setChecked((m_record.media & bits[i]) != 0);
        CheckMM[i]->setEnabled(false);
        LabelMM[i]->setEnabled(false);
    }
    auto offer = [this](int i, bool on) {
        CheckMM[i]->setEnabled(on);
        LabelMM[i]->setEnabled(on);
        if (!on)
            CheckMM[i]->setChecked(false);
    };
    offer(1, options.video == 1 && (m_capabilities & MediaVideo) != 0);
    // Voice is not a choice: offered means always on, so the box stays disabled and
    // checked. Without voice there is no video either.
    if (options.voice == 1 && (m_capabilities & MediaVoice) != 0) {
        CheckMM[0]->setChecked(true);
        LabelMM[0]->setEnabled(true);
    } else {
        offer(0, false);
        offer(1, false);
    }
    offer(2, options.wb == 1 && (m_capabilities & MediaWhiteboard) != 0);

    ChkAutoEntry->setChecked(m_record.autoEntry);
    ChkSaveHistory->setChecked(m_record.saveHistory);
}

MessageBoxAnswer OptionForm::Warn(const QString& text, MessageBoxButtons buttons)
{
    return m_boxes.Show(this, {text, Caption, MessageBoxIcon::Warning, buttons});
}

void OptionForm::cmdOK_Click()
{
    // Checked before anything is stored, so a refusal leaves file and settings alone.
    const std::optional<int32_t> port = ParsePort(txtPortNo->text());
    if (!port) {
        Warn(QStringLiteral("ポート番号は 1 から 65534 までの整数で入力してください。"),
             MessageBoxButtons::Ok);
        txtPortNo->setFocus();
        txtPortNo->selectAll();
        return;
    }
    const QString aliase = txtAliase->text();
    const QString unsendable = UnsendableCharacters(aliase);
    if (!unsendable.isEmpty()) {
        const MessageBoxAnswer answer =
            Warn(QStringLiteral("ニックネームの次の文字は相手に送れません（「?」として届きます）:\n"
                                "%1\n\nこのまま保存しますか？")
                     .arg(unsendable),
                 MessageBoxButtons::OkCancel);
        if (answer != MessageBoxAnswer::Ok) {
            txtAliase->setFocus();
            return;
        }
    }

    m_record.aliase = aliase;
    m_record.port = *port;
    m_record.mailAddress = txtMailAddress->text();
    const int32_t media = (CheckMM[0]->isChecked() ? MediaVoice : 0) |
                          (CheckMM[1]->isChecked() ? MediaVideo : 0) |
                          (CheckMM[2]->isChecked() ? MediaWhiteboard : 0);
    m_record.media = media;
    m_record.autoEntry = ChkAutoEntry->isChecked();
    m_settings.setAutoEntry(m_record.autoEntry);
    m_record.saveHistory = ChkSaveHistory->isChecked();
    INIData::SaveSettings(m_record);
    if (m_settings.saveHistory() != m_record.saveHistory) {
        m_settings.setSaveHistory(m_record.saveHistory);
        if (m_keepHistory)
            m_keepHistory(m_record.saveHistory);
    }

    m_settings.setMediaOption(media);
    m_settings.setPortNo(*port);
    m_settings.setAliase(aliase);
    m_settings.setMailAddr(m_record.mailAddress);
    accept();
}

void OptionForm::cmdSpecial_Click()
{
    if (!m_openBroadCastList)
        return;
    m_openBroadCastList(this);
    // The list dialog saved its own record; reading the file again keeps the later OK
    // from writing the old list back. What the user typed here stays as typed.
    m_record = INIData::LoadSettings();
}

QString OptionForm::UnsendableCharacters(const QString& text)
{
    QString found;
    for (char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (one == QLatin1String("?") || Cp932::FromUnicode(one) != QByteArrayLiteral("?"))
            continue;
        if (!found.contains(one))
            found += one;
    }
    return found;
}
