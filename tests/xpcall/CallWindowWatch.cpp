#include "CallWindowWatch.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

CallWindowWatch::CallWindowWatch(const QWidget* programWindow, Print print)
    : m_programWindow(programWindow), m_print(std::move(print))
{
}

void CallWindowWatch::Look()
{
    LookAtCallWindow();
    LookAtVideoWindows();
}

QWidget* CallWindowWatch::CallWindow() const
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowTitle().startsWith(CaptionPrefix()))
            return window;
    return nullptr;
}

QString CallWindowWatch::StatusText(const QWidget& window)
{
    // The status line is the window's one label.
    auto* label = window.findChild<QLabel*>(QStringLiteral("lblStatus"));
    if (label == nullptr)
        label = window.findChild<QLabel*>();
    return label != nullptr ? label->text() : QString();
}

QStringList CallWindowWatch::VisibleButtons(const QWidget& window)
{
    QStringList captions;
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        if (button->isVisible())
            captions << button->text() +
                            (button->isEnabled() ? QString() : QStringLiteral("(off)"));
    captions.sort();
    return captions;
}

void CallWindowWatch::LookAtCallWindow()
{
    QWidget* window = CallWindow();
    // Hidden, destroyed or replaced by the window of another call: this one has closed.
    if (m_callWindowSeen && (m_callWindow == nullptr || window != m_callWindow)) {
        m_print({{"callWindowClosed", m_callCaption}});
        m_callWindowSeen = false;
        m_callWindow = nullptr;
        m_status.clear();
        m_buttons.clear();
    }
    if (window == nullptr)
        return;
    if (!m_callWindowSeen) {
        m_callWindowSeen = true;
        m_callWindow = window;
        m_callCaption = window->windowTitle();
        m_print({{"callWindow", m_callCaption}});
        // The first status line is told even when it is empty.
        m_status = QStringLiteral("\x01");
    }
    const QString status = StatusText(*window);
    const QStringList buttons = VisibleButtons(*window);
    if (status != m_status || buttons != m_buttons) {
        m_status = status;
        m_buttons = buttons;
        m_print({{"status", status}, {"buttons", QJsonArray::fromStringList(buttons)}});
    }
}

QList<QWidget*> CallWindowWatch::VideoWindows() const
{
    // Any other window the program opens during a call shows video: not the program's
    // own window, not the status window, not a dialog, menu or tooltip.
    const QWidget* callWindow = CallWindow();
    QList<QWidget*> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window != m_programWindow && window != callWindow &&
            !window->isModal() && !window->windowTitle().startsWith(CaptionPrefix()) &&
            window->windowType() != Qt::Popup && window->windowType() != Qt::ToolTip)
            windows << window;
    return windows;
}

void CallWindowWatch::LookAtVideoWindows()
{
    const QList<QWidget*> windows = VideoWindows();
    for (qsizetype i = m_videoWindows.size() - 1; i >= 0; --i) {
        if (m_videoWindows[i] == nullptr || !windows.contains(m_videoWindows[i].data())) {
            m_print({{"videoWindow", m_videoCaptions[i]}, {"visible", false}});
            m_videoWindows.removeAt(i);
            m_videoCaptions.removeAt(i);
        }
    }
    for (QWidget* window : windows) {
        if (m_videoWindows.contains(window))
            continue;
        m_videoWindows << window;
        m_videoCaptions << window->windowTitle();
        m_print({{"videoWindow", window->windowTitle()},
                 {"visible", true},
                 {"width", window->width()},
                 {"height", window->height()}});
    }
}

bool CallWindowWatch::Press(const QString& caption, QString* error) const
{
    QWidget* window = CallWindow();
    if (window == nullptr) {
        *error = QStringLiteral("no status window");
        return false;
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() != caption)
            continue;
        if (!button->isVisible() || !button->isEnabled()) {
            *error = QStringLiteral("the button \"%1\" is not there to press").arg(caption);
            return false;
        }
        button->click();
        return true;
    }
    *error = QStringLiteral("the window has no button \"%1\"").arg(caption);
    return false;
}

bool CallWindowWatch::Shot(const QString& path, QString* error) const
{
    const QList<QWidget*> windows = VideoWindows();
    if (windows.isEmpty()) {
        *error = QStringLiteral("no video window is shown");
        return false;
    }
    QWidget& window = *windows.first();
    // The programs of a test share one display, and a grab takes what the display shows
    // where the window is: bring it to the top and give the library a few frames to draw
    // into it (it draws straight into the window, not through Qt).
    window.raise();
    window.activateWindow();
    QDeadlineTimer drawn(300);
    while (!drawn.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    if (shot.isNull() || !QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !shot.save(path, "PNG")) {
        *error = QStringLiteral("cannot save the picture to %1").arg(path);
        return false;
    }
    return true;
}
