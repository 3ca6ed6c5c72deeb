#include "QtTrayService.h"

#include <QAction>

QtTrayService::QtTrayService(Icons icons) : m_icons(std::move(icons))
{
    m_showHide = m_menu.addAction(QString());
    m_menu.addSeparator();
    m_present = m_menu.addAction(QStringLiteral("オン"));
    m_absent = m_menu.addAction(QStringLiteral("オフ"));
    for (QAction* choice : {m_present, m_absent}) {
        choice->setCheckable(true);
        m_presenceChoice.addAction(choice);
    }
    m_menu.addSeparator();
    QAction* quit = m_menu.addAction(QStringLiteral("終了"));
    ShowWindowShown(true);

    // Each command goes to whoever answers the icon at the moment it is chosen.
    QObject::connect(m_showHide, &QAction::triggered, [this] {
        if (m_commands != nullptr)
            m_commands->TrayShowHide();
    });
    QObject::connect(m_present, &QAction::triggered, [this] {
        if (m_commands != nullptr)
            m_commands->TrayPresence(true);
    });
    QObject::connect(m_absent, &QAction::triggered, [this] {
        if (m_commands != nullptr)
            m_commands->TrayPresence(false);
    });
    QObject::connect(quit, &QAction::triggered, [this] {
        if (m_commands != nullptr)
            m_commands->TrayQuit();
    });
    QObject::connect(
        &m_icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            if (m_commands != nullptr &&
                (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick))
                m_commands->TrayActivated();
        });
    m_icon.setContextMenu(&m_menu);
    ShowState();
}

bool QtTrayService::Available() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayService::SetCommands(ITrayCommands* commands)
{
    m_commands = commands;
    m_icon.setVisible(commands != nullptr && Available());
}

void QtTrayService::ShowPresence(TrayPresence presence)
{
    m_presence = presence;
    ShowState();
}

void QtTrayService::ShowUnread(int conversations)
{
    m_unread = conversations;
    ShowState();
}

void QtTrayService::ShowWindowShown(bool shown)
{
    m_showHide->setText(shown ? QStringLiteral("ウィンドウを隠す")
                              : QStringLiteral("ウィンドウを表示"));
}

void QtTrayService::ShowState()
{
    const bool entered = m_presence != TrayPresence::NotEntered;
    m_icon.setIcon(m_presence == TrayPresence::Present  ? m_icons.Present
                   : m_presence == TrayPresence::Absent ? m_icons.Absent
                                                        : m_icons.NotEntered);
    m_icon.setToolTip(TrayToolTip(m_presence, m_unread));
    // The presence is chosen only while in the network, as in the main control.
    m_present->setEnabled(entered);
    m_absent->setEnabled(entered);
    m_present->setChecked(m_presence != TrayPresence::Absent);
    m_absent->setChecked(m_presence == TrayPresence::Absent);
}
