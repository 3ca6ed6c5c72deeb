#include "UserList.h"

#include <algorithm>

UserInformation* UserList::Add(std::unique_ptr<UserInformation> record)
{
    if (!record)
        return nullptr;
    if (UserInformation* existing = SearchUserAddr(record->address()))
        return existing;
    UserInformation* added = record.get();
    m_records.push_back(std::move(record));
    m_byAddress.insert(added->address(), added);
    return added;
}

void UserList::Delete(const UserInformation& record)
{
    // The record may be the listed one itself, so take its key before it goes.
    const QString address = record.address();
    Delete(address);
}

void UserList::Delete(const QString& address)
{
    UserInformation* listed = m_byAddress.take(address);
    if (listed == nullptr)
        return;
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const auto& record) { return record.get() == listed; });
    // Out of the list before it is released, so that what its window does on release
    // sees a consistent list.
    std::unique_ptr<UserInformation> released = std::move(*found);
    m_records.erase(found);
}

UserInformation* UserList::SearchAliase(const QString& aliase) const
{
    const auto found = std::find_if(m_records.rbegin(), m_records.rend(),
                                    [&](const auto& record) { return record->aliase() == aliase; });
    return found == m_records.rend() ? nullptr : found->get();
}

UserInformation* UserList::SearchUserAddr(const QString& address) const
{
    return m_byAddress.value(address, nullptr);
}

void UserList::RemoveAll()
{
    Collection released;
    released.swap(m_records);
    m_byAddress.clear();
}
