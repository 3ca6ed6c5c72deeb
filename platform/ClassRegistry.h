#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>

// The process-wide class registry: what a component library registers about itself
// (its ProgIDs and a factory), and what a host asks for by ProgID. A
// version-independent ProgID points to the current versioned one.
class ClassRegistry
{
public:
    // Makes a new object; the caller owns it (or gives it a parent).
    using Factory = std::function<QObject*(QObject* parent)>;

    struct ClassEntry {
        QString Description;
        Factory Create;
    };

    static ClassRegistry& Instance();

    void RegisterClass(const QString& progId, ClassEntry entry);
    // `progId` resolves to `currentProgId` when asked for.
    void RegisterCurrentVersion(const QString& progId, const QString& currentProgId);
    void Unregister(const QString& progId);

    // Null when the ProgID is not registered.
    const ClassEntry* Find(const QString& progId) const;
    QObject* Create(const QString& progId, QObject* parent = nullptr) const;

private:
    std::map<QString, ClassEntry> m_classes;
    std::map<QString, QString> m_currentVersions;
};
