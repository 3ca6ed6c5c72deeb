#pragma once

#include "client/UserInformation.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

// Every member record, keyed by address (not to be changed while listed), in the order
// added. The chat session owns the one its windows use. Removing a record releases it,
// which disables its chat window.
class UserList
{
public:
    using Collection = std::vector<std::unique_ptr<UserInformation>>;

    UserList() = default;
    UserList(const UserList&) = delete;
    UserList& operator=(const UserList&) = delete;

    // For iteration by callers, in order.
    const Collection& YourDataAll() const { return m_records; }
    // Keeps the record unless one with its address is present; a duplicate is dropped
    // (with its window) and the existing record stays. Returns the record that is listed.
    UserInformation* Add(std::unique_ptr<UserInformation> record);
    // Removes the record with the given record's address (or with `address`).
    void Delete(const UserInformation& record);
    void Delete(const QString& address);
    int Num() const { return static_cast<int>(m_records.size()); }
    // The last record in order whose nickname equals `aliase` exactly.
    UserInformation* SearchAliase(const QString& aliase) const;
    // The record with exactly this address, or null.
    UserInformation* SearchUserAddr(const QString& address) const;
    void RemoveAll();

private:
    Collection m_records;
    // Address to record, so that lookups stay quick with thousands of members.
    QHash<QString, UserInformation*> m_byAddress;
};
