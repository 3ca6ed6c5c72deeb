#include "platform/LogFile.h"

#include <QFile>
#include <QFileInfo>

namespace
{

bool IsInvisibleControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

} // namespace

QString EscapeLogText(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'\\':
            escaped += QLatin1String("\\\\");
            break;
        case u'\n':
            escaped += QLatin1String("\\n");
            break;
        case u'\r':
            escaped += QLatin1String("\\r");
            break;
        case u'\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            if (!IsInvisibleControl(c))
                escaped += ch;
            else if (c < 0x100)
                escaped += QStringLiteral("\\x%1").arg(int(c), 2, 16, QLatin1Char('0'));
            else
                escaped += QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0'));
        }
    }
    return escaped;
}

void AppendToRotatingLog(const QString& path, QByteArrayView line, qint64 limit)
{
    const QFileInfo info(path);
    if (info.exists() && info.size() > 0 && info.size() + line.size() > limit) {
        const QString previous = path + QStringLiteral(".1");
        QFile::remove(previous);
        QFile::rename(path, previous);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.data(), line.size());
}
