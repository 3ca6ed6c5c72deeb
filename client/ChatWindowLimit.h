#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class IChatForm;
class ParkedWindows;

// How many one-to-one chat windows incoming lines may bring onto the screen. A host on
// the LAN can enter and write from as many forged addresses as it likes, one window each;
// while MaxWindows are on screen, a line from a member whose window is not is held here
// instead, with the time it came, and shown once that member's window opens: when the
// user opens it (the member list, a command), or when a window closes and the member
// waiting longest gets its turn. Held lines are bounded too: past MaxHeldLines a new one
// is dropped, which only a flood reaches; a member that leaves takes its held lines with
// it. A window the user opens is never refused.
class ChatWindowLimit
{
public:
    static constexpr int MaxWindows = 64;
    static constexpr int MaxHeldLines = 1000;

    struct HeldLine {
        QString Message;
        QString Group;
        bool IsSecret = false;
        bool AbsenceReply = false; // the member's automatic reply, not a line it wrote
        QString Time;              // when it came, as the conversation log shows times
    };

    explicit ChatWindowLimit(const ParkedWindows& parked) : m_parked(parked) {}

    // A record took a window (made or reclaimed) / gave its window up.
    void WindowTaken(const IChatForm* form) { m_recordWindows.insert(form); }
    void WindowGiven(const IChatForm* form) { m_recordWindows.remove(form); }
    // Whether MaxWindows are on screen: records' windows shown, and parked ones.
    bool Full() const;

    // False when the line was dropped (too many held already).
    bool Hold(const QString& address, HeldLine line);
    // The member's held lines in the order they came, no longer held.
    std::vector<HeldLine> Take(const QString& address);
    // Members with held lines, the one waiting longest first.
    const QStringList& Waiting() const { return m_waiting; }

private:
    const ParkedWindows& m_parked;
    QSet<const IChatForm*> m_recordWindows;
    QHash<QString, std::vector<HeldLine>> m_held;
    QStringList m_waiting;
    int m_heldLines = 0;
};
