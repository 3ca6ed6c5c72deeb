#include "XmlElementList.h"

#include "platform/Cp932.h"

#include <QRandomGenerator>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

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

bool IsLead(char c)
{
    return Cp932::IsLeadByte(static_cast<unsigned char>(c));
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
        if (text[i] == needle.front() && text.sliced(i, needle.size()) == needle)
            return i;
        i += IsLead(text[i]) ? 2 : 1;
    }
    return -1;
}

// A name whose last byte is the first half of a double-byte character: its closing tag
// would hide the '>' inside that character. Only broken text makes one (a lead byte
// before a blank that trimming took away); such an element is taken as never closed.
bool EndsInLoneLeadByte(QByteArrayView name)
{
    qsizetype i = 0;
    while (i < name.size())
        i += IsLead(name[i]) ? 2 : 1;
    return i > name.size();
}

// Which closing tags a text holds, by a polynomial hash of their names (modulo 2^61-1,
// with a base drawn once per process so that no peer can make names collide on
// purpose). Without it every unclosed tag would cost a scan to the end of the text, and
// 8 KB of "<a>" would be some ten million steps; with it an unclosed tag costs a look-up.
// A collision only sends the split to the real search, so results never depend on it.
class ClosingTags
{
public:
    explicit ClosingTags(QByteArrayView text)
    {
        // All searches of the split move over the same character boundaries as a walk
        // from the start, and a closing tag is "</" at a boundary, then its name up to the
        // next '>' at a boundary, then that '>'. Walked backwards, the text between a
        // position and that '>' is one hash extended at the front.
        const qsizetype size = text.size();
        std::vector<bool> boundary(static_cast<size_t>(size), false);
        for (qsizetype i = 0; i < size; i += IsLead(text[i]) ? 2 : 1)
            boundary[static_cast<size_t>(i)] = true;
        uint64_t hash = 0;
        uint64_t power = 1;
        qsizetype length = -1; // no '>' after this position yet
        for (qsizetype i = size - 1; i >= 0; --i) {
            if (boundary[static_cast<size_t>(i)] && text[i] == '>') {
                hash = 0;
                power = 1;
                length = 0;
            } else if (length >= 0) {
                hash = AddMod(MulMod(Code(text[i]), power), hash);
                power = MulMod(power, m_base);
                ++length;
            }
            const qsizetype tag = i - 2;
            if (length >= 0 && tag >= 0 && boundary[static_cast<size_t>(tag)] && text[tag] == '<' &&
                text[tag + 1] == '/')
                m_last.try_emplace(Key(hash, length), tag); // walking back: the last one
        }
    }

    // False when "</name>" surely starts nowhere at or after `from`.
    bool MayStandAfter(QByteArrayView name, qsizetype from) const
    {
        uint64_t hash = 0;
        for (const char c : name)
            hash = AddMod(MulMod(hash, m_base), Code(c));
        const auto found = m_last.find(Key(hash, name.size()));
        return found != m_last.end() && found->second >= from;
    }

private:
    static constexpr uint64_t Modulus = (uint64_t{1} << 61) - 1;

    static uint64_t Base()
    {
        static const uint64_t base =
            256 + QRandomGenerator::system()->bounded(quint64{Modulus - 512});
        return base;
    }
    static uint64_t Code(char c) { return static_cast<unsigned char>(c) + 1u; }
    static uint64_t AddMod(uint64_t a, uint64_t b)
    {
        const uint64_t sum = a + b;
        return sum >= Modulus ? sum - Modulus : sum;
    }
    static uint64_t MulMod(uint64_t a, uint64_t b)
    {
        const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
        uint64_t r =
            static_cast<uint64_t>(product & Modulus) + static_cast<uint64_t>(product >> 61);
        r = (r & Modulus) + (r >> 61);
        return r >= Modulus ? r - Modulus : r;
    }
    static uint64_t Key(uint64_t hash, qsizetype length)
    {
        return hash ^ (static_cast<uint64_t>(length) * 0x9E3779B97F4A7C15u);
    }

    const uint64_t m_base = Base();
    std::unordered_map<uint64_t, qsizetype> m_last; // name key → start of its last "</name>"
};

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
    std::optional<ClosingTags> closing; // made when a closing tag is first missed
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
        if (EndsInLoneLeadByte(name) || (closing && !closing->MayStandAfter(name, p)))
            continue; // unclosed: keep scanning inside it
        QByteArray closingTag = "</";
        closingTag.append(name).append('>');
        const qsizetype end = FindFrom(text, closingTag, p);
        if (end < 0) {
            // Well-formed commands never get here; a text that does may hold thousands.
            if (!closing)
                closing.emplace(text);
            continue;
        }
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
