#include "ClassRegistry.h"

void ClassRegistry::RegisterClass(const QString& progId, ClassEntry entry)
{
    m_classes[progId] = std::move(entry);
}

void ClassRegistry::RegisterCurrentVersion(const QString& progId, const QString& currentProgId)
{
    m_currentVersions[progId] = currentProgId;
}

void ClassRegistry::Unregister(const QString& progId)
{
    m_classes.erase(progId);
    m_currentVersions.erase(progId);
}

const ClassRegistry::ClassEntry* ClassRegistry::Find(const QString& progId) const
{
    const auto current = m_currentVersions.find(progId);
    const QString& resolved = current != m_currentVersions.end() ? current->second : progId;
    const auto found = m_classes.find(resolved);
    return found == m_classes.end() ? nullptr : &found->second;
}

std::unique_ptr<QObject> ClassRegistry::Create(const QString& progId) const
{
    const ClassEntry* entry = Find(progId);
    return entry != nullptr && entry->Create ? entry->Create() : nullptr;
}
