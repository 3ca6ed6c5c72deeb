#include "XmlElementList.h"

#include "platform/Cp932.h"

namespace
{

bool IsXmlBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsXmlBlank(text[from]))
        ++from;
    while (to > from && IsXmlBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

// Position of `needle` at or after `from`, stepping over double-byte characters whole
// so that every copy splits a text alike. No trail byte of a valid character is '<', '>'
// or '/', so this shows only in broken text: a stray lead byte swallows the byte after
// it, and a '<' or '>' right behind one opens or closes nothing. `from` must be on a
// character boundary. -1 when absent.
qsizetype FindFrom(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    qsizetype i = from;
    while (i + needle.size() <= text.size()) {
        if (text.sliced(i, needle.size()) == needle)
            return i;
        i += Cp932::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return -1;
}

QByteArray Field(QByteArrayView text)
{
    return Cp932::Cut(text, XmlElementList::FieldLimit);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

XmlElementList XmlElementList::Split(QByteArrayView text)
{
    XmlElementList list;
    qsizetype p = 0;
    for (;;) {
        const qsizetype open = FindFrom(text, "<", p);
        if (open < 0)
            break;
        if (open + 1 < text.size() && text[open + 1] == '/') {
            p = open + 2; // a closing tag of an element already passed over
            continue;
        }
        const qsizetype close = FindFrom(text, ">", open + 1);
        if (close < 0)
            break;
        const QByteArrayView name = Trimmed(text.sliced(open + 1, close - open - 1));
        p = close + 1;
        QByteArray closingTag = "</";
        closingTag.append(name).append('>');
        const qsizetype end = FindFrom(text, closingTag, p);
        if (end < 0)
            continue; // unclosed: keep scanning inside it
        list.m_elements.emplace_back(Field(name), Field(Trimmed(text.sliced(p, end - p))));
        p = end + closingTag.size();
        if (p >= text.size())
            break;
    }
    return list;
}

QByteArray XmlElementList::Value(QByteArrayView name) const
{
    for (const auto& [elementName, value] : m_elements) {
        if (EqualsIgnoringAsciiCase(elementName, name))
            return value;
    }
    return {};
}

QByteArray XmlElement(QByteArrayView name, QByteArrayView value)
{
    QByteArray element;
    element.reserve(name.size() * 2 + value.size() + 5);
    element.append('<').append(name).append('>').append(value);
    element.append("</").append(name).append('>');
    return element;
}

QByteArray XmlElement(QByteArrayView name, int value)
{
    return XmlElement(name, QByteArray::number(value));
}
