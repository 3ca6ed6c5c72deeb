#include "MainForm.h"

#include "client/ControlForm.h"
#include "component/IStopTransfers.h"
#include "host/HostLog.h"
#include "host/ProductIcon.h"
#include "platform/ClassRegistry.h"
#include "platform/MessageBoxService.h"
#include "ui/PalavoCtrl.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QVBoxLayout>

namespace
{
// The client area the window was designed with, in twips.
constexpr int DesignWidthTwips = 7455;
constexpr int DesignHeightTwips = 5535;
} // namespace

MainForm::MainForm(ClassRegistry& registry, IMessageBoxService& boxes, ITrayService* tray,
                   QWidget* parent)
    : QWidget(parent), m_boxes(boxes), m_tray(tray)
{
    setWindowTitle(QStringLiteral("Palavo XP"));
    setWindowIcon(ProductIcon());
    resize(TwipsToPixels(this, DesignWidthTwips), TwipsToPixels(this, DesignHeightTwips));

    // The control fills the client area and follows its size through the layout.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    std::unique_ptr<QObject> made = registry.Create(QStringLiteral("PalavoOCX.PalavoCtrl"));
    m_palavoCtrl1 = qobject_cast<PalavoCtrl*>(made.get());
    if (m_palavoCtrl1 != nullptr) {
        m_palavoCtrl1->setObjectName(QStringLiteral("PalavoCtrl1"));
        // The layout makes the control a child of this window, which now owns it.
        layout->addWidget(m_palavoCtrl1);
        static_cast<void>(made.release());
    } else {
        qCWarning(lcHost) << "PalavoOCX.PalavoCtrl is not registered; the window stays empty";
    }

    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainForm::OnCommitDataRequest);

    // Without a tray on the desktop nothing here changes, also should one appear later:
    // closing must never hide the window where no icon brings it back.
    if (m_tray != nullptr && !m_tray->Available())
        m_tray = nullptr;
    if (m_tray != nullptr) {
        ITrayCommands& commands = *this;
        m_tray->SetCommands(&commands);
        TellTrayWhetherShown();
        // The window may be in the tray when the user closes the last chat window: the
        // program ends only through this window's own closing (Form_Unload).
        QGuiApplication::setQuitOnLastWindowClosed(false);
    }
}

MainForm::~MainForm()
{
    if (m_tray != nullptr)
        m_tray->SetCommands(nullptr);
    // The program may end without a close (the session ends after a Yes): the control
    // still leaves the network.
    Form_Unload();
}

void MainForm::closeEvent(QCloseEvent* event)
{
    // The user chose to keep the program running in the tray: no question, the window
    // only goes out of sight. Quitting from the tray's menu still asks.
    if (!m_closeConfirmed && HasTray() && m_palavoCtrl1 != nullptr &&
        m_palavoCtrl1->Session().Settings().closeToTray()) {
        event->ignore();
        hide();
        return;
    }
    if (!m_closeConfirmed && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    Form_Unload();
}

bool MainForm::Form_QueryUnload()
{
    const MessageBoxRequest question{QStringLiteral("Palavo XPを終了しますか？"),
                                     QStringLiteral("かくにん"), MessageBoxIcon::Question,
                                     MessageBoxButtons::YesNo};
    return m_boxes.Show(this, question) == MessageBoxAnswer::Yes;
}

void MainForm::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_palavoCtrl1 != nullptr) {
        StopTransfers();
        m_palavoCtrl1->ShutDown();
    }
    // The transfer windows are top-level windows of their own, and a send window refuses
    // to be closed: waiting for the last window to close would keep the program running.
    if (m_endsProgram)
        QCoreApplication::exit(0);
}

// Before the control leaves the network: the stop and the refusal travel as datagrams to
// a member, and leaving empties the member table.
void MainForm::StopTransfers()
{
    const ControlForm* bridge = m_palavoCtrl1->vim();
    if (bridge == nullptr)
        return;
    if (auto* transfers = dynamic_cast<IStopTransfers*>(bridge->Component()))
        transfers->StopAllTransfers();
}

void MainForm::OnCommitDataRequest(QSessionManager& manager)
{
    if (m_unloaded || m_closeConfirmed || !manager.allowsInteraction())
        return;
    const bool yes = Form_QueryUnload();
    manager.release();
    if (yes)
        m_closeConfirmed = true;
    else
        manager.cancel();
}

// ---- The tray icon ------------------------------------------------------------------

bool MainForm::HasTray() const
{
    return m_tray != nullptr && m_tray->Available();
}

void MainForm::ShowAndRaise()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainForm::TellTrayWhetherShown()
{
    if (HasTray())
        m_tray->ShowWindowShown(isVisible() && !isMinimized());
}

void MainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    TellTrayWhetherShown();
}

void MainForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    TellTrayWhetherShown();
}

void MainForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        TellTrayWhetherShown();
}

void MainForm::TrayActivated()
{
    ShowAndRaise();
}

void MainForm::TrayShowHide()
{
    if (isVisible() && !isMinimized())
        hide();
    else
        ShowAndRaise();
}

bool MainForm::ModalDialogOpen()
{
    if (QApplication::activeModalWidget() == nullptr)
        return false;
    ShowAndRaise();
    return true;
}

void MainForm::TrayPresence(bool present)
{
    if (m_palavoCtrl1 != nullptr && !ModalDialogOpen())
        m_palavoCtrl1->ChoosePresence(present);
}

void MainForm::TrayQuit()
{
    if (m_unloaded || ModalDialogOpen() || !Form_QueryUnload())
        return;
    m_closeConfirmed = true;
    close();
    // A window in the tray is hidden and may get no close event; the control still
    // leaves the network, once.
    Form_Unload();
}
