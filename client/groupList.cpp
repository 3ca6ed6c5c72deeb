#include "groupList.h"

#include <algorithm>

GroupInformation* groupList::Add(std::unique_ptr<GroupInformation> record)
{
    if (!record)
        return nullptr;
    if (GroupInformation* existing = SearchGroup(record->group()))
        return existing;
    m_records.push_back(std::move(record));
    return m_records.back().get();
}

void groupList::Delete(const GroupInformation& record)
{
    const QString group = record.group();
    Delete(group);
}

void groupList::Delete(const QString& group)
{
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const auto& record) { return record->group() == group; });
    if (found == m_records.end())
        return;
    std::unique_ptr<GroupInformation> released = std::move(*found);
    m_records.erase(found);
}

GroupInformation* groupList::SearchGroup(const QString& group) const
{
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const auto& record) { return record->group() == group; });
    return found == m_records.end() ? nullptr : found->get();
}

void groupList::RemoveAll()
{
    Collection released;
    released.swap(m_records);
}
