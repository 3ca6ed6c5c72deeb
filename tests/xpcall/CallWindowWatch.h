#pragma once

#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// What a person sees of a call: the status window (found by its caption "音声チャット
// for …"), its status line and the buttons it shows, and any other window the program
// opens meanwhile (the partner's video). Look() tells each change as a line; Press()
// clicks a button by its text, as a person would. `programWindow` (the main window) is
// never taken for a video window.
class CallWindowWatch
{
public:
    using Print = std::function<void(QJsonObject line)>;

    CallWindowWatch(const QWidget* programWindow, Print print);

    // Tells what changed since the last look:
    //   {"callWindow":CAPTION}, {"status":TEXT,"buttons":[...]}, {"callWindowClosed":CAPTION},
    //   {"videoWindow":CAPTION,"visible":true,"width":W,"height":H},
    //   {"videoWindow":..,"visible":false}
    // Buttons are their texts, sorted, "(off)" added to a disabled one.
    void Look();

    // The shown status window, or null.
    QWidget* CallWindow() const;
    static QString StatusText(const QWidget& window);
    static QStringList VisibleButtons(const QWidget& window);
    // Clicks the shown, enabled button with that text in the status window; else false
    // with the reason.
    bool Press(const QString& caption, QString* error) const;
    // Saves what the display shows of the first video window as PNG to `path`.
    bool Shot(const QString& path, QString* error) const;

    static QString CaptionPrefix() { return QStringLiteral("音声チャット for "); }

private:
    QList<QWidget*> VideoWindows() const;
    void LookAtCallWindow();
    void LookAtVideoWindows();

    const QWidget* m_programWindow;
    Print m_print;
    QPointer<QWidget> m_callWindow;
    bool m_callWindowSeen = false;
    QString m_callCaption;
    QString m_status;
    QStringList m_buttons;
    QList<QPointer<QWidget>> m_videoWindows;
    QStringList m_videoCaptions;
};
