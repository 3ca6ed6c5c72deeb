#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class IMessageBoxService;
class IShellService;
class QLabel;
class QPushButton;

// "<title>のﾊﾞｰｼﾞｮﾝ情報": the product's title and version, the home page through the
// desktop's "open", and the desktop's system-information program if one is installed.
class AboutBoxForm : public QDialog
{
    Q_OBJECT
public:
    // `version`: the control's own version as "major.minor.revision".
    AboutBoxForm(IShellService& shell, IMessageBoxService& boxes, const QString& title,
                 const QString& version, QWidget* parent = nullptr);

    // The product's home page (the project's HOMEPAGE_URL in CMakeLists.txt).
    static QString HomePage();
    // Programs that show system information, the first found on PATH that starts is run.
    static QStringList SystemInfoPrograms();
    // Starts the first of SystemInfoPrograms() found on PATH; false when none starts.
    static bool StartSystemInfo();

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QPushButton* HomePageButton = nullptr;

private:
    void cmdSysInfo_Click();

    IShellService& m_shell;
    IMessageBoxService& m_boxes;
};
