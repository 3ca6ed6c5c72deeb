#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

// A class registry: what a component library registers about itself (its ProgIDs and
// a factory), and what a host asks for by ProgID. A version-independent ProgID points
// to the current versioned one. The program makes one and hands it to whoever
// registers or creates classes; there is no registry of the process.
class ClassRegistry
{
public:
    // Makes a new object, owned by the caller.
    using Factory = std::function<std::unique_ptr<QObject>()>;

    struct ClassEntry {
        QString Description;
        Factory Create;
    };

    void RegisterClass(const QString& progId, ClassEntry entry);
    // `progId` resolves to `currentProgId` when asked for.
    void RegisterCurrentVersion(const QString& progId, const QString& currentProgId);
    void Unregister(const QString& progId);

    // Null when the ProgID is not registered.
    const ClassEntry* Find(const QString& progId) const;
    // Null when the ProgID is not registered or its factory made nothing.
    std::unique_ptr<QObject> Create(const QString& progId) const;

private:
    std::map<QString, ClassEntry> m_classes;
    std::map<QString, QString> m_currentVersions;
};
