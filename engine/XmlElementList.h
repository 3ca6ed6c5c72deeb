#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <utility>
#include <vector>

// The commands that only copies of this system exchange (file offers, call set-up)
// are flat runs of elements, "<Name>value</Name>", with no root, no attributes and
// no escaping. This splits one such text (code page 932 bytes) into its elements.
class XmlElementList
{
public:
    // Names and values longer than this are cut on a character boundary.
    static constexpr int FieldLimit = 1023;

    // Never fails: an element without its closing tag is skipped and the scan goes on
    // inside it; an element nested in another is not listed on its own; a "<" with no
    // ">" after it ends the split, since no complete element can follow it.
    static XmlElementList Split(QByteArrayView text);

    // The value of the first element whose name matches without regard to (ASCII)
    // case, or empty text.
    QByteArray Value(QByteArrayView name) const;

    const std::vector<std::pair<QByteArray, QByteArray>>& Elements() const { return m_elements; }

private:
    std::vector<std::pair<QByteArray, QByteArray>> m_elements;
};

// ASCII-only case-insensitive equality: Latin-1 folding would wrongly pair
// double-byte lead bytes with half-width katakana.
bool EqualsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b);

// One element as the senders write it: "<name>value</name>".
QByteArray XmlElement(QByteArrayView name, QByteArrayView value);
QByteArray XmlElement(QByteArrayView name, int value);
