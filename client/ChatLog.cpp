#include "ChatLog.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace
{
constexpr int Block = 100;
}

ChatLog::ChatLog(int maxLines, qsizetype maxChars)
    : m_maxLines(std::max(1, maxLines)), m_maxChars(maxChars),
      m_entries(static_cast<size_t>(std::min(Block, m_maxLines)))
{
}

const LogInfo& ChatLog::At(int index) const
{
    return m_entries[static_cast<size_t>((m_first + index) % Capacity())];
}

QString ChatLog::TimeNow()
{
    return QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
}

void ChatLog::AddLog(const QString& s, int16_t state, const QString& time)
{
    LogInfo entry{s, state, time};
    if (entry.time.isEmpty())
        entry.time = TimeNow();
    if (m_count == Capacity())
        AdvanceWritePosition();
    const int slot = (m_first + m_count) % Capacity();
    m_entries[static_cast<size_t>(slot)] = entry;
    m_chars += entry.str.size();
    m_current = std::move(entry);
    ++m_count;
    while (m_count > 1 && m_chars > m_maxChars)
        DropOldest();
}

// Makes room for one more entry: the storage grows by a block up to the line limit; at
// the limit the oldest entry goes.
void ChatLog::AdvanceWritePosition()
{
    if (Capacity() >= m_maxLines) {
        DropOldest();
        return;
    }
    std::rotate(m_entries.begin(), m_entries.begin() + m_first, m_entries.end());
    m_first = 0;
    m_entries.resize(static_cast<size_t>(std::min(Capacity() + Block, m_maxLines)));
}

void ChatLog::DropOldest()
{
    LogInfo& oldest = m_entries[static_cast<size_t>(m_first)];
    m_chars -= oldest.str.size();
    oldest = {};
    m_first = (m_first + 1) % Capacity();
    --m_count;
    if (m_cursor > 0)
        --m_cursor;
}

bool ChatLog::GetNext(QString& s, int16_t& state)
{
    if (m_cursor >= m_count) {
        s.clear();
        return true;
    }
    const LogInfo& entry = At(m_cursor++);
    s = entry.str;
    state = entry.state;
    return false;
}

LogInfo ChatLog::GetLog(int index) const
{
    if (index < 0 || index >= m_count)
        return {};
    return At(index);
}
