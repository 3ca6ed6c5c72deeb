#pragma once

#include <QByteArray>
#include <QHash>

#include <cstddef>
#include <cstdint>
#include <list>

// A budget of automatic replies per source address. Anyone on the LAN can send a datagram
// with any source address, so every answer the engine sends of its own accord (an entry
// answer, an information answer, the introduction to a stranger, the absence reply to a
// stranger) would let one host aim this copy at another. Each address gets a token bucket:
// a burst that covers a peer's whole entry exchange several times over, refilled slowly.
// The table of addresses is bounded; the one heard from least recently is forgotten
// first, which only ever gives that address a fresh burst.
struct ReplyBudget {
    int Burst = 20;             // replies an address may have at once
    int RefillMs = 250;         // one more reply per this many milliseconds
    std::size_t Sources = 1024; // addresses tracked at a time
};

class ReplyLimiter
{
public:
    using Budget = ReplyBudget;

    explicit ReplyLimiter(Budget budget = {}) : m_budget(budget) {}

    // Takes one reply from the address's budget. False when it is spent: send nothing.
    bool Allow(const QByteArray& address, int64_t nowMs);

private:
    struct Bucket {
        int Tokens = 0;
        int64_t Stamp = 0; // when Tokens was last brought up to date
        std::list<QByteArray>::iterator Place;
    };

    Budget m_budget;
    QHash<QByteArray, Bucket> m_buckets;
    std::list<QByteArray> m_order; // least recently heard from first
};
