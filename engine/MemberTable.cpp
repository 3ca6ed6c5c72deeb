#include "MemberTable.h"

#include "platform/Cp932.h"

QByteArray FitField(QByteArrayView text, int size)
{
    return Cp932::Cut(text, size - 1);
}

namespace
{
// A key for lookups that borrows the caller's bytes instead of copying them.
QByteArray LookupKey(QByteArrayView address)
{
    return QByteArray::fromRawData(address.data(), address.size());
}
} // namespace

const MemberRecord* MemberTable::Find(QByteArrayView address) const
{
    if (m_lastFound != nullptr && m_lastFound->IPAddress == address)
        return m_lastFound;
    const auto found = m_index.constFind(LookupKey(address));
    if (found == m_index.cend())
        return nullptr;
    m_lastFound = &*found.value();
    return m_lastFound;
}

MemberRecord& MemberTable::Put(MemberRecord record)
{
    Remove(record.IPAddress);
    m_lastFound = nullptr;
    const QByteArray key = record.IPAddress;
    const auto added = m_records.insert(m_records.end(), std::move(record));
    m_index.insert(key, added);
    return *added;
}

MemberRecord* MemberTable::MoveToEnd(QByteArrayView address)
{
    const auto found = m_index.constFind(LookupKey(address));
    if (found == m_index.cend())
        return nullptr;
    m_records.splice(m_records.end(), m_records, found.value()); // iterators stay valid
    return &*found.value();
}

bool MemberTable::Remove(QByteArrayView address)
{
    const auto found = m_index.find(LookupKey(address));
    if (found == m_index.end())
        return false;
    m_lastFound = nullptr;
    m_records.erase(found.value());
    m_index.erase(found);
    return true;
}

void MemberTable::Clear()
{
    m_lastFound = nullptr;
    m_index.clear();
    m_records.clear();
}
