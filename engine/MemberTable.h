#pragma once

#include "MemberRecord.h"

#include <QByteArray>
#include <QHash>

#include <list>

// The ordered list of members. Lookups go by exact, case-sensitive address; adding
// appends; every update moves the record to the end, as peers and the tests expect
// of the order. An index by address keeps every packet's work independent of how
// many members there are. At most one record per address is ever held.
class MemberTable
{
public:
    // Any host can send entries from as many forged addresses as it likes; past this many
    // members a newcomer is turned away until somebody leaves. Every host of the largest
    // LAN a broadcast reaches (a /16) still fits, at about 2 KB a member.
    static constexpr std::size_t MaxMembers = 65536;

    using const_iterator = std::list<MemberRecord>::const_iterator;

    const MemberRecord* Find(QByteArrayView address) const;

    // Removes any record with the same address and appends this one.
    MemberRecord& Put(MemberRecord record);

    // Moves the member to the end and returns it for updating; null when unknown.
    MemberRecord* MoveToEnd(QByteArrayView address);

    // False when the address was not in the table.
    bool Remove(QByteArrayView address);
    void Clear();

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const_iterator begin() const { return m_records.cbegin(); }
    const_iterator end() const { return m_records.cend(); }

private:
    std::list<MemberRecord> m_records;
    QHash<QByteArray, std::list<MemberRecord>::iterator> m_index;
    // The record found last: a conversation looks the same member up for every message
    // and receipt, and hashing an address costs more than comparing it. Forgotten by
    // every change of the table but a move (a moved record stays where it is in memory).
    mutable const MemberRecord* m_lastFound = nullptr;
};
