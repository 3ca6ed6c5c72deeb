#include "AboutBoxForm.h"

#include "platform/MessageBoxService.h"
#include "platform/ShellService.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

AboutBoxForm::AboutBoxForm(IShellService& shell, IMessageBoxService& boxes, const QString& title,
                           const QString& version, QWidget* parent)
    : QDialog(parent), m_shell(shell), m_boxes(boxes)
{
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    QIcon productIcon = parent != nullptr ? parent->window()->windowIcon() : windowIcon();
    if (productIcon.isNull())
        productIcon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    icon->setPixmap(productIcon.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    lblTitle = new QLabel(title, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setTextFormat(Qt::PlainText);
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    // "major.minor.revision"; a missing part reads as 0.
    QStringList parts = version.split(QLatin1Char('.'));
    while (parts.size() < 3)
        parts << QStringLiteral("0");
    lblVersion =
        new QLabel(QStringLiteral("Version %1.%2.%3").arg(parts[0], parts[1], parts[2]), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    HomePageButton = new QPushButton(QStringLiteral("作者のホームページへ"), this);
    HomePageButton->setObjectName(QStringLiteral("HomePageButton"));
    HomePageButton->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(lblTitle, 0, 1);
    layout->addWidget(lblVersion, 1, 1);
    layout->setRowMinimumHeight(2, 16);
    layout->setColumnStretch(1, 1);
    // One width for the three, with room around the longest caption.
    int buttonWidth = 0;
    for (QPushButton* button : {cmdOK, cmdSysInfo, HomePageButton})
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
    for (QPushButton* button : {cmdOK, cmdSysInfo, HomePageButton})
        button->setMinimumWidth(buttonWidth + fontMetrics().averageCharWidth() * 2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(HomePageButton);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 2, 3, 1);

    // OK is also the cancel button: Escape and the close box leave the same way.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBoxForm::cmdSysInfo_Click);
    connect(HomePageButton, &QPushButton::clicked, this, [this] { m_shell.Open(HomePage()); });
}

QString AboutBoxForm::HomePage()
{
    return QStringLiteral(PALAVO_HOME_PAGE);
}

QStringList AboutBoxForm::SystemInfoPrograms()
{
    return {QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("plasma-systemmonitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager")};
}

bool AboutBoxForm::StartSystemInfo()
{
    for (const QString& name : SystemInfoPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty() && QProcess::startDetached(path, {}))
            return true;
    }
    return false;
}

void AboutBoxForm::cmdSysInfo_Click()
{
    if (StartSystemInfo())
        return;
    m_boxes.Show(this, {QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"), windowTitle(),
                        MessageBoxIcon::None, MessageBoxButtons::Ok});
}
