#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// One JSON object written as one line, its keys in the order they were added (a
// QJsonObject would sort them, and "id" first reads best in a transcript). UTF-8, no
// newline inside, '\n' at the end.
class JsonLine
{
public:
    JsonLine& Add(const QString& key, const QJsonValue& value);
    // `json` must already be one JSON value, e.g. another JsonLine's Object().
    JsonLine& AddRaw(const QString& key, const QByteArray& json);

    QByteArray Object() const { return '{' + m_fields + '}'; }
    QByteArray Line() const { return Object() + '\n'; }

private:
    QByteArray m_fields;
};

// One value in compact JSON (QJsonDocument only writes arrays and objects).
QByteArray CompactJson(const QJsonValue& value);
