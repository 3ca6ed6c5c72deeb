#include "ProfileFile.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <climits>
#include <optional>

namespace
{

// Only ASCII blanks are trimmed: a full-width space (U+3000) at the edge of a
// Japanese nickname belongs to the nickname.
bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QStringView Trim(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool SameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section name of a "[Section]" line, or nothing for any other line.
std::optional<QStringView> SectionName(QStringView line)
{
    const QStringView text = Trim(line);
    if (!text.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = text.indexOf(u']');
    return Trim(close < 0 ? text.sliced(1) : text.sliced(1, close - 1));
}

// The position of the '=' of a "key=value" line that holds `key`, or -1. Comments
// (";..." or "#...") never match, since no key begins with ';' or '#'.
qsizetype KeyEquals(QStringView line, QStringView key)
{
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0 || !SameName(Trim(line.first(equals)), key))
        return -1;
    return equals;
}

// The file as lines, with what is needed to write it back in the same shape.
struct Document {
    QStringList Lines;
    bool Crlf = false;
    bool Bom = false;
};

// Nothing when the file exists but cannot be read; an empty document when it is missing.
std::optional<Document> Load(const QString& path)
{
    Document doc;
    QFile file(path);
    if (!file.exists())
        return doc;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;

    doc.Bom = bytes.startsWith("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        // Files written by the original platform are in the ANSI code page.
        doc.Bom = false;
        text = Cp932::ToUnicode(bytes);
    }

    const qsizetype firstBreak = text.indexOf(u'\n');
    doc.Crlf = firstBreak > 0 && text[firstBreak - 1] == u'\r';
    doc.Lines = text.split(u'\n');
    // The break after the last line does not start another one.
    if (!doc.Lines.isEmpty() && doc.Lines.last().isEmpty())
        doc.Lines.removeLast();
    for (QString& line : doc.Lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return doc;
}

bool Save(const QString& path, const Document& doc)
{
    const QString lineBreak = doc.Crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& line : doc.Lines)
        text += line + lineBreak;
    QByteArray bytes = text.toUtf8();
    if (doc.Bom)
        bytes.prepend("\xEF\xBB\xBF");

    // Written beside the old file and renamed over it, so a crash leaves one or the other.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Lines [Begin, End) of the first section named `name`; Begin is its header line.
struct SectionRange {
    qsizetype Begin = -1;
    qsizetype End = -1;
};

SectionRange FindSection(const QStringList& lines, QStringView name)
{
    SectionRange range;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QStringView> header = SectionName(lines[i]);
        if (!header)
            continue;
        if (range.Begin >= 0) {
            range.End = i;
            return range;
        }
        if (SameName(*header, name))
            range.Begin = i;
    }
    if (range.Begin >= 0)
        range.End = lines.size();
    return range;
}

// A value in matching quotes is read without them.
QString Unquote(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2).toString();
    return value.toString();
}

// A value is one line of the file and ends at a NUL, as it would in a C string;
// line breaks inside it would otherwise write lines (and sections) of their own.
QString OneLine(QStringView value)
{
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    QString line = (nul < 0 ? value : value.first(nul)).toString();
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    return line;
}

// A name that the file can hold and give back: one line, and not a header or a comment.
bool IsValidName(QStringView name)
{
    const QStringView trimmed = Trim(name);
    return !trimmed.isEmpty() && !trimmed.startsWith(u'[') && !trimmed.startsWith(u';') &&
           !trimmed.startsWith(u'#') && !name.contains(u'\n') && !name.contains(u'\r') &&
           !name.contains(QChar(u'\0'));
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)) {}

QString ProfileFile::ReadString(QStringView section, QStringView key,
                                QStringView defaultValue) const
{
    const std::optional<Document> doc = Load(m_path);
    if (!doc)
        return defaultValue.toString();
    const SectionRange range = FindSection(doc->Lines, Trim(section));
    if (range.Begin < 0)
        return defaultValue.toString();
    for (qsizetype i = range.Begin + 1; i < range.End; ++i) {
        const QString& line = doc->Lines[i];
        const qsizetype equals = KeyEquals(line, Trim(key));
        if (equals >= 0)
            return Unquote(Trim(QStringView(line).sliced(equals + 1)));
    }
    return defaultValue.toString();
}

int ProfileFile::ReadInt(QStringView section, QStringView key, int defaultValue) const
{
    const QString text = ReadString(section, key, QString());
    // An empty value counts as missing, as it did for the platform's profile-integer read.
    if (text.isEmpty())
        return defaultValue;

    qsizetype i = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        // Saturate instead of overflowing: a long run of digits is garbage either way.
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

bool ProfileFile::WriteString(QStringView section, QStringView key, QStringView value)
{
    if (!IsValidName(section) || !IsValidName(key) || key.contains(u'=') || section.contains(u']'))
        return false;
    // A file that exists but cannot be read is not overwritten with one key.
    std::optional<Document> doc = Load(m_path);
    if (!doc)
        return false;

    const QStringView sectionName = Trim(section);
    const QStringView keyName = Trim(key);
    const QString newValue = OneLine(value);
    QStringList& lines = doc->Lines;

    const SectionRange range = FindSection(lines, sectionName);
    if (range.Begin < 0) {
        // A blank line keeps the new section apart from the last one for the reader.
        if (!lines.isEmpty() && !Trim(lines.last()).isEmpty())
            lines.append(QString());
        lines.append(u'[' + sectionName.toString() + u']');
        lines.append(keyName.toString() + u'=' + newValue);
        return Save(m_path, *doc);
    }

    for (qsizetype i = range.Begin + 1; i < range.End; ++i) {
        const qsizetype equals = KeyEquals(lines[i], keyName);
        if (equals < 0)
            continue;
        // Only the value changes; the key keeps its spelling and its layout around '='.
        qsizetype valueStart = equals + 1;
        while (valueStart < lines[i].size() && IsBlank(lines[i][valueStart]))
            ++valueStart;
        lines[i] = lines[i].first(valueStart) + newValue;
        return Save(m_path, *doc);
    }

    // A new key goes after the last line of its section, before the blank lines
    // that separate it from the next one.
    qsizetype insertAt = range.End;
    while (insertAt > range.Begin + 1 && Trim(lines[insertAt - 1]).isEmpty())
        --insertAt;
    lines.insert(insertAt, keyName.toString() + u'=' + newValue);
    return Save(m_path, *doc);
}
