#include "ReplyLimiter.h"

#include <algorithm>

bool ReplyLimiter::Allow(const QByteArray& address, int64_t nowMs)
{
    auto found = m_buckets.find(address);
    if (found == m_buckets.end()) {
        if (m_order.size() >= std::max<std::size_t>(m_budget.Sources, 1)) {
            m_buckets.remove(m_order.front());
            m_order.pop_front();
        }
        m_order.push_back(address);
        found = m_buckets.insert(address, {m_budget.Burst, nowMs, std::prev(m_order.end())});
    } else {
        m_order.splice(m_order.end(), m_order, found->Place);
    }
    Bucket& bucket = *found;
    if (m_budget.RefillMs > 0 && nowMs > bucket.Stamp) {
        const int64_t gained = (nowMs - bucket.Stamp) / m_budget.RefillMs;
        if (bucket.Tokens + gained >= m_budget.Burst) {
            bucket.Tokens = m_budget.Burst;
            bucket.Stamp = nowMs;
        } else {
            bucket.Tokens += static_cast<int>(gained);
            bucket.Stamp += gained * m_budget.RefillMs; // the part of a token keeps growing
        }
    }
    if (bucket.Tokens <= 0)
        return false;
    --bucket.Tokens;
    return true;
}
