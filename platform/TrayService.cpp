#include "TrayService.h"

QString TrayToolTip(TrayPresence presence, int unreadConversations)
{
    // The panel of the main control says "Not Connected" before entry; the tray says the
    // same, so the two never disagree.
    const QString state = presence == TrayPresence::Present  ? QStringLiteral("オン")
                          : presence == TrayPresence::Absent ? QStringLiteral("オフ")
                                                             : QStringLiteral("Not Connected");
    return QStringLiteral("Palavo XP - ") + state + QStringLiteral("\n未読の会話 ") +
           QString::number(unreadConversations) + QStringLiteral("件");
}
