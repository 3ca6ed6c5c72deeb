#pragma once

#include <QString>

class QObject;

// Everything the receive window shows. The window hands the whole state to its view
// each time something in it changes; Visible false means the window has closed.
struct FileReceiveState {
    bool Visible = false;
    QString Caption = QStringLiteral("ファイル受信");
    QString Headline = QStringLiteral("XXX さんより ファイル ZZZZ.ZZを受信します"); // placeholders
    QString CommentLabel = QStringLiteral("コメント");
    QString Comment;
    QString ProgressText = QStringLiteral("XXバイト中 YYバイト受信 (ZZ%)");
    int ProgressMaximum = 100; // the bar's range is 0 to this
    int ProgressValue = 0;
    bool OpenEnabled = true;
    bool SaveEnabled = true;
    bool RejectEnabled = true;
    bool CloseEnabled = true;

    bool operator==(const FileReceiveState&) const = default;
};

inline const QString OpenButtonText = QStringLiteral("ファイルを開く");
inline const QString SaveButtonText = QStringLiteral("受信・保存");
inline const QString RejectButtonText = QStringLiteral("受信拒否");
inline const QString CloseButtonText = QStringLiteral("閉じる");

// The receive window as the user sees it. The view calls the window's Press* members
// when its buttons are pressed, and PressClose for the cancel key as well.
class IFileReceiveView
{
public:
    virtual ~IFileReceiveView() = default;
    virtual void Render(const FileReceiveState& state) = 0;
    // The owner of the boxes the window shows over itself; null for none.
    virtual QObject* BoxOwner() { return nullptr; }
    // Brings the window in front of the user's others (its notification was activated);
    // a view without a screen has nothing to raise.
    virtual void Raise() {}
};
