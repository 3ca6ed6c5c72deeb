#pragma once

#include "client/LogInfo.h"

#include <QString>

#include <cstdint>
#include <vector>

// The conversation a chat window shows: entries appended in order, never written to a
// file, and a read cursor so that each redraw takes just the entries added since the
// previous one. Storage grows in blocks of 100 entries.
class ChatLog
{
public:
    ChatLog();

    // An empty `time` stores the current local date and time.
    void AddLog(const QString& s, int16_t state = 0, const QString& time = {});
    // The entry at the cursor, advancing it; true (with `s` emptied and `state` left
    // alone) when every entry has been read.
    bool GetNext(QString& s, int16_t& state);
    // The entry at `index`, or an empty entry outside 0..count-1.
    LogInfo GetLog(int index) const;
    // A copy of the entry added last.
    LogInfo GetCurLog() const { return m_current; }
    // The number of entries.
    int GetCurPos() const { return m_count; }
    // Reading starts again at the first entry.
    void Reset() { m_cursor = 0; }

    int Capacity() const { return m_capacity; }

private:
    void AdvanceWritePosition();

    // Positions 0..capacity.
    std::vector<LogInfo> m_entries;
    int m_capacity = 100;
    int m_count = 0;
    int m_cursor = 0;
    LogInfo m_current;
};
