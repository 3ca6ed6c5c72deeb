#include "ChatLog.h"

#include <QDateTime>
#include <QLocale>

namespace
{
constexpr int Block = 100;
}

ChatLog::ChatLog() : m_entries(Block + 1) {}

void ChatLog::AddLog(const QString& s, int16_t state, const QString& time)
{
    LogInfo entry{s, state, time};
    if (entry.time.isEmpty())
        entry.time = QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    m_entries[m_count] = entry;
    m_current = std::move(entry);
    AdvanceWritePosition();
}

void ChatLog::AdvanceWritePosition()
{
    if (m_count >= m_capacity) {
        while (m_capacity <= m_count)
            m_capacity += Block;
        m_entries.resize(static_cast<size_t>(m_capacity) + 1);
    }
    ++m_count;
}

bool ChatLog::GetNext(QString& s, int16_t& state)
{
    if (m_cursor >= m_count) {
        s.clear();
        return true;
    }
    const LogInfo& entry = m_entries[m_cursor++];
    s = entry.str;
    state = entry.state;
    return false;
}

LogInfo ChatLog::GetLog(int index) const
{
    if (index < 0 || index >= m_count)
        return {};
    return m_entries[index];
}
