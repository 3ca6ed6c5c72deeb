#include "JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>

QByteArray CompactJson(const QJsonValue& value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

JsonLine& JsonLine::Add(const QString& key, const QJsonValue& value)
{
    return AddRaw(key, CompactJson(value));
}

JsonLine& JsonLine::AddRaw(const QString& key, const QByteArray& json)
{
    if (!m_fields.isEmpty())
        m_fields += ',';
    m_fields += CompactJson(key) + ':' + json;
    return *this;
}
