#pragma once

#include "client/GroupInformation.h"

#include <QString>

#include <memory>
#include <vector>

// The local user's group records, keyed by name, in the order added. The chat session
// owns the one its windows use (the class keeps the product's lower-case name).
class groupList
{
public:
    using Collection = std::vector<std::unique_ptr<GroupInformation>>;

    groupList() = default;
    groupList(const groupList&) = delete;
    groupList& operator=(const groupList&) = delete;

    const Collection& YourDataAll() const { return m_records; }
    // Keeps the record unless a group of that name is present; a duplicate is dropped
    // with its window. Returns the record that is listed.
    GroupInformation* Add(std::unique_ptr<GroupInformation> record);
    void Delete(const GroupInformation& record);
    void Delete(const QString& group);
    int Num() const { return static_cast<int>(m_records.size()); }
    // The group whose name equals `group` exactly, or null.
    GroupInformation* SearchGroup(const QString& group) const;
    void RemoveAll();

private:
    Collection m_records;
};
