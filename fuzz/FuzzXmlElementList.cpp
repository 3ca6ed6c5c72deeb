// libFuzzer target: any command text splits without fault into the same elements as the
// literal reference, within the field limits; elements written by XmlElement come back.
#include "engine/XmlElementList.h"
#include "ReferenceCp932.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace
{

using Elements = std::vector<std::pair<QByteArray, QByteArray>>;

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool IsLead(char c)
{
    return RefCp932::IsLeadByte(static_cast<unsigned char>(c));
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// C's multibyte searches over a NUL-terminated text: a lead byte takes the byte after it.
const char* MbsChr(const char* s, char c)
{
    for (; *s != '\0'; s += (IsLead(*s) && s[1] != '\0') ? 2 : 1)
        if (*s == c)
            return s;
    return nullptr;
}

const char* MbsStr(const char* s, const char* needle)
{
    const size_t length = std::strlen(needle);
    for (; *s != '\0'; s += (IsLead(*s) && s[1] != '\0') ? 2 : 1)
        if (std::strncmp(s, needle, length) == 0)
            return s;
    return nullptr;
}

std::string Trim(std::string text)
{
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    size_t from = 0;
    while (from < text.size() && IsBlank(text[from]))
        ++from;
    return text.substr(from);
}

// A name whose last byte is a lead byte standing alone (it stood before a blank that
// trimming removed) is never closed: its closing tag would hide its '>' inside a
// double-byte character. The one rule the split adds to the literal searches.
bool EndsInLoneLead(const std::string& name)
{
    size_t i = 0;
    while (i < name.size())
        i += IsLead(name[i]) ? 2 : 1;
    return i > name.size();
}

// Whole when it fits in 1023 bytes; else at most 1023, a double-byte character that
// would straddle the limit left out.
QByteArray Field(const std::string& text)
{
    size_t length = text.size();
    if (length > 1023) {
        length = 0;
        while (length + (IsLead(text[length]) ? 2 : 1) <= 1023)
            length += IsLead(text[length]) ? 2 : 1;
    }
    return QByteArray(text.data(), static_cast<qsizetype>(length));
}

// The split written the slow, literal way: a NUL-terminated copy and the searches above.
Elements ReferenceSplit(const QByteArray& input)
{
    const std::string text(input.constData(), static_cast<size_t>(input.size()));
    Elements list;
    const char* p = text.c_str();
    for (;;) {
        const char* open = MbsChr(p, '<');
        if (open == nullptr)
            break;
        if (open[1] == '/') {
            p = open + 2;
            continue;
        }
        const char* close = MbsChr(open + 1, '>');
        if (close == nullptr)
            break;
        const std::string name = Trim(std::string(open + 1, close));
        p = close + 1;
        if (EndsInLoneLead(name))
            continue;
        const std::string tag = "</" + name + ">";
        const char* end = MbsStr(p, tag.c_str());
        if (end == nullptr)
            continue;
        list.emplace_back(Field(name), Field(Trim(std::string(p, end))));
        p = end + tag.size();
        if (*p == '\0')
            break;
    }
    return list;
}

// Text that a well-behaved sender could put in a name or value: no NUL, no `banned`
// bytes, whole characters only, no blanks at the ends, within the limit.
QByteArray Clean(QByteArrayView raw, const char* banned)
{
    QByteArray kept;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (IsLead(c)) {
            const auto trail = i + 1 < raw.size() ? static_cast<unsigned char>(raw[i + 1]) : 0;
            if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC)) {
                kept.append(c).append(static_cast<char>(trail));
                ++i;
            }
        } else if (c != '\0' && std::strchr(banned, c) == nullptr) {
            kept.append(c);
        }
    }
    // Cut before trimming, or a cut could leave a blank at the end.
    const QByteArray cut = Field(kept.toStdString());
    return QByteArray::fromStdString(Trim(cut.toStdString()));
}

// Elements made from the input, written one after another, must split back unchanged.
void RoundTrip(QByteArrayView data)
{
    const QList<QByteArray> parts = data.toByteArray().split('\x01');
    Elements written;
    QByteArray text;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        written.emplace_back(Clean(parts[i], "<>/"), Clean(parts[i + 1], "<"));
        text += XmlElement(written.back().first, written.back().second);
    }
    const XmlElementList list = XmlElementList::Split(text);
    Check(list.Elements() == written, "round trip: elements");
    for (const auto& [name, value] : written) {
        QByteArray first;
        for (const auto& [otherName, otherValue] : written) {
            if (EqualsIgnoringAsciiCase(otherName, name)) {
                first = otherValue;
                break;
            }
        }
        Check(list.Value(name) == first, "round trip: first value by name");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The engine splits the extra of a packet: it ends at a NUL and is cut to 8191 bytes.
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView extra = input.first(nul < 0 ? input.size() : nul);
    const QByteArray text = RefCp932::Cut(extra, 8191);

    const XmlElementList list = XmlElementList::Split(text);
    for (const auto& [name, value] : list.Elements()) {
        Check(name.size() <= XmlElementList::FieldLimit, "name size");
        Check(value.size() <= XmlElementList::FieldLimit, "value size");
        Check(name.isEmpty() || !IsBlank(name.front()), "name trimmed");
        Check(value.isEmpty() || !IsBlank(value.front()), "value trimmed");
    }
    // Each element takes at least "<>", "</>" of the text.
    Check(list.Elements().size() <= static_cast<size_t>(text.size()) / 5, "element count");
    Check(list.Elements() == ReferenceSplit(text), "same elements as the reference");

    RoundTrip(input);
    return 0;
}
