#pragma once

#include "client/LogInfo.h"

#include <QString>

#include <cstdint>
#include <vector>

// The conversation a chat window shows: entries appended in order, never written to a
// file, and a read cursor so that each redraw takes just the entries added since the
// previous one. Storage grows in blocks of 100 entries.
//
// Only the newest entries are kept: at most MaxLines of them, and no more text than
// MaxChars characters (the newest entry always stays). A peer decides how much it says,
// and a window that kept every line would let it fill the memory; a user's day of talk
// fits with room to spare. Positions count the entries kept, oldest first; entries that
// go before they were read are skipped by the cursor.
class ChatLog
{
public:
    static constexpr int MaxLines = 5000;
    static constexpr qsizetype MaxChars = 1024 * 1024; // 2 MiB as UTF-16

    explicit ChatLog(int maxLines = MaxLines, qsizetype maxChars = MaxChars);

    // The current local date and time as entries store it.
    static QString TimeNow();
    // An empty `time` stores TimeNow().
    void AddLog(const QString& s, int16_t state = 0, const QString& time = {});
    // The entry at the cursor, advancing it; true (with `s` emptied and `state` left
    // alone) when every entry has been read.
    bool GetNext(QString& s, int16_t& state);
    // The entry at `index`, or an empty entry outside 0..count-1.
    LogInfo GetLog(int index) const;
    // A copy of the entry added last.
    LogInfo GetCurLog() const { return m_current; }
    // The number of entries kept.
    int GetCurPos() const { return m_count; }
    // Reading starts again at the oldest entry kept.
    void Reset() { m_cursor = 0; }

    int Capacity() const { return static_cast<int>(m_entries.size()); }
    // Characters of text in the entries kept.
    qsizetype Chars() const { return m_chars; }

private:
    const LogInfo& At(int index) const;
    void DropOldest();
    void AdvanceWritePosition();

    int m_maxLines;
    qsizetype m_maxChars;
    // A ring: the oldest entry kept is at m_first.
    std::vector<LogInfo> m_entries;
    int m_first = 0;
    int m_count = 0;
    int m_cursor = 0;
    qsizetype m_chars = 0;
    LogInfo m_current;
};
