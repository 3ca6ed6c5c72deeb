#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace history
{

// The conversation a line belongs to: the one-to-one talk with a member, named by the
// member's address, or a group's talk, named by the group.
struct Conversation {
    bool group = false;
    QString name;

    friend bool operator==(const Conversation&, const Conversation&) = default;
};

// One line as a chat window showed it.
struct Line {
    Conversation conversation;
    // Milliseconds since the epoch (UTC).
    qint64 time = 0;
    // The member the line is about: the partner of a one-to-one talk, the sender of a
    // group line; with the nickname it had when the line was shown.
    QString address;
    QString nickname;
    // The window's colour state (LogLocal, LogReceived, or 0 for a notice).
    int16_t state = 0;
    // The whole line as shown, and where the text itself begins in it (after the
    // nickname and arrow the window puts in front).
    QString shown;
    int textStart = 0;

    QString Text() const { return shown.mid(textStart); }
};

// A line found by a search, with the number that orders it among all stored lines.
struct Hit {
    qint64 id = 0;
    Line line;
};

// What went wrong, for the one box the user sees; empty when nothing did.
using Error = QString;

// The store of conversation lines. Every call runs on the thread that made the store,
// finishes before it returns, and reports a failure as a value: the caller decides what
// the user sees, and goes on without history.
class IHistoryStore
{
public:
    virtual ~IHistoryStore() = default;

    // Stores one line. Once this returns without error the line survives the process
    // being killed.
    virtual Error Append(const Line& line) = 0;
    // The newest lines of `conversation` no older than `since` (ms since the epoch), at
    // most `limit` of them, oldest first.
    virtual std::vector<Line> Recent(const Conversation& conversation, qint64 since,
                                     int limit) = 0;
    // Lines whose text contains `text`, newest first, at most `limit` of them, all older
    // than the hit numbered `before` (0: from the newest line). Matching ignores the case
    // of ASCII letters and does not depend on word boundaries. A store may look through
    // only its newest lines for a single character.
    virtual std::vector<Hit> Search(const QString& text, int limit, qint64 before = 0) = 0;
    // Forgets the one-to-one talk with the member at `address`.
    virtual Error RemoveMember(const QString& address) = 0;
    // Forgets every line.
    virtual Error RemoveAll() = 0;
};

} // namespace history
