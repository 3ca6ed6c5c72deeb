#include "HostList.h"

#include "engine/PacketCodec.h"
#include "platform/Cp932.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

namespace
{

// The answer is read from a buffer of this size with its final NUL.
constexpr qsizetype HostListLimit = 8191;
constexpr char FieldSeparator = '\a';
// The server writes a backspace for an empty field.
constexpr char EmptyField = '\b';

// Hands out the fields one by one. Each BEL ends a field, so the BEL after the last
// field does not open another one: a list cut short right after a BEL lacks that field.
class FieldReader
{
public:
    explicit FieldReader(QByteArrayView text) : m_text(text) {}

    std::optional<QByteArrayView> Next()
    {
        if (m_at >= m_text.size())
            return std::nullopt;
        const QByteArrayView rest = m_text.sliced(m_at);
        const qsizetype bel = rest.indexOf(FieldSeparator);
        const QByteArrayView field = bel < 0 ? rest : rest.first(bel);
        m_at += field.size() + 1;
        if (field.size() == 1 && field.front() == EmptyField)
            return QByteArrayView();
        return field;
    }

private:
    QByteArrayView m_text;
    qsizetype m_at = 0;
};

std::optional<HostListEntry> ReadEntry(FieldReader& fields)
{
    std::optional<QByteArrayView> values[7];
    for (auto& value : values) {
        value = fields.Next();
        if (!value)
            return std::nullopt;
    }
    HostListEntry entry;
    entry.UserName = Cp932::Cut(*values[0], HostListEntry::NameLimit);
    entry.HostName = Cp932::Cut(*values[1], HostListEntry::NameLimit);
    entry.Command = LeadingDecimal(*values[2]);
    entry.IPAddress = values[3]->toByteArray();
    entry.PortNo = LeadingDecimal(*values[4]);
    entry.NickName = values[5]->toByteArray();
    entry.GroupName = values[6]->toByteArray();
    return entry;
}

} // namespace

HostListAnswer ParseHostList(QByteArrayView extra)
{
    HostListAnswer answer;
    FieldReader fields(extra.first(Cp932::CutLength(extra, HostListLimit)));
    const std::optional<QByteArrayView> continuation = fields.Next();
    const std::optional<QByteArrayView> total = fields.Next();
    if (!continuation || !total)
        return answer;
    answer.Valid = true;
    answer.Continuation = LeadingDecimal(*continuation);
    answer.Total = LeadingDecimal(*total);

    while (answer.Entries.size() < HostListAnswer::EntryLimit) {
        std::optional<HostListEntry> entry = ReadEntry(fields);
        if (!entry)
            break;
        answer.Entries.push_back(std::move(*entry));
    }

    // The server pages its list: a non-zero continuation, or fewer hosts than it says it
    // has, means there is more to fetch. Figured in 64 bits: the numbers are the peer's.
    const int64_t read = static_cast<int64_t>(answer.Entries.size());
    answer.RequestMore = answer.Continuation != 0 || read < answer.Total;
    const int64_t start = std::llabs(int64_t{answer.Continuation} + read - answer.Total);
    answer.StartNo =
        static_cast<int32_t>(std::min<int64_t>(start, std::numeric_limits<int32_t>::max()));
    return answer;
}
