#pragma once

#include <QString>

class QObject;

// Everything the send window shows. The window hands the whole state to its view each
// time something in it changes; Visible false means the window has closed.
struct FileSendState {
    bool Visible = false;
    QString Caption = QStringLiteral("ファイル送信");
    QString StateText = QStringLiteral("ファイル送信中です"); // placeholders until shown
    QString ProgressText = QStringLiteral("XX％転送完了");
    int ProgressMaximum = 100; // the bar's range is 0 to this
    int ProgressValue = 0;
    bool StopEnabled = true;

    bool operator==(const FileSendState&) const = default;
};

inline const QString StopButtonText = QStringLiteral("転送中止");

// The send window as the user sees it: a dialog in the program, a printer in
// palavo-cli, nothing at all in tests. The view calls FileSendWindow::PressStop when
// its button is pressed.
class IFileSendView
{
public:
    virtual ~IFileSendView() = default;
    virtual void Render(const FileSendState& state) = 0;
    // The owner of the boxes the window shows over itself; null for none.
    virtual QObject* BoxOwner() { return nullptr; }
};
