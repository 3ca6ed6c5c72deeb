// libFuzzer target: any host-list answer parses without fault, within the name limits
// and by the continuation rule; a list built from fields reads back as those fields.
#include "engine/HostList.h"
#include "ReferenceCp932.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// A number as C's strtol reads it, keeping the low 32 bits.
int32_t Strtol(const QByteArray& field)
{
    const std::string text = field.toStdString();
    return static_cast<int32_t>(static_cast<uint32_t>(std::strtol(text.c_str(), nullptr, 10)));
}

void CheckShape(const HostListAnswer& answer)
{
    if (!answer.Valid) {
        Check(answer.Entries.empty() && !answer.RequestMore, "no figures, nothing taken");
        return;
    }
    const int64_t read = static_cast<int64_t>(answer.Entries.size());
    Check(answer.RequestMore == (answer.Continuation != 0 || read < answer.Total),
          "continuation rule");
    Check(answer.StartNo >= 0, "start is never negative");
    for (const HostListEntry& e : answer.Entries) {
        Check(e.UserName.size() <= HostListEntry::NameLimit, "user name limit");
        Check(e.HostName.size() <= HostListEntry::NameLimit, "host name limit");
        for (const QByteArray* field :
             {&e.UserName, &e.HostName, &e.IPAddress, &e.NickName, &e.GroupName})
            Check(!field->contains('\a'), "no separator inside a field");
    }
}

// The input split at 0x01 into fields (BELs dropped), written as a server would write
// them: each followed by a BEL, an empty one as a lone 0x08.
void RoundTrip(const uint8_t* data, size_t size)
{
    QList<QByteArray> fields =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
            .replace('\a', QByteArray())
            .split('\x01');
    QByteArray list;
    for (const QByteArray& field : fields)
        list += (field.isEmpty() ? QByteArray("\b") : field) + '\a';
    if (list.size() > 8191)
        return;
    for (QByteArray& field : fields)
        if (field == "\b")
            field.clear();

    const HostListAnswer answer = ParseHostList(list);
    Check(answer.Valid == (fields.size() >= 2), "round trip: figures present");
    if (!answer.Valid)
        return;
    Check(answer.Continuation == Strtol(fields[0]) && answer.Total == Strtol(fields[1]),
          "round trip: figures");
    const qsizetype complete = (fields.size() - 2) / 7;
    Check(static_cast<qsizetype>(answer.Entries.size()) == complete, "round trip: entries");
    for (qsizetype i = 0; i < complete; ++i) {
        const HostListEntry& e = answer.Entries[static_cast<size_t>(i)];
        const QByteArray* f = &fields[2 + 7 * i];
        Check(e.UserName == RefCp932::Cut(f[0], HostListEntry::NameLimit), "round trip: user");
        Check(e.HostName == RefCp932::Cut(f[1], HostListEntry::NameLimit), "round trip: host");
        Check(e.Command == Strtol(f[2]), "round trip: command");
        Check(e.IPAddress == f[3], "round trip: address");
        Check(e.PortNo == Strtol(f[4]), "round trip: port");
        Check(e.NickName == f[5] && e.GroupName == f[6], "round trip: nickname and group");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckShape(ParseHostList(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))));
    RoundTrip(data, size);
    return 0;
}
