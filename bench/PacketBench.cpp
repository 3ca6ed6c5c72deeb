// Parse and build of a typical entry packet: a Japanese alias and two groups.
#include "engine/PacketCodec.h"

#include "engine/Commands.h"
#include "platform/Cp932.h"

#include <QString>

#include <benchmark/benchmark.h>

namespace
{

struct EntryPacket {
    QByteArray Alias = Cp932::FromUnicode(u"山田太郎（開発部）");
    QByteArray UserName = "yamada";
    QByteArray HostName = "YAMADA-PC";
    QByteArray Groups = Cp932::FromUnicode(u"開発部,営業部");
    // Pads the alias with a location so that the datagram is about 200 bytes (182).
    QByteArray Location =
        Cp932::FromUnicode(u"第二会議室で打ち合わせ中、戻りは午後三時の予定です。"
                           u"急ぎの用件は内線四二一五までお願いします。本日は十七時で退社します。");

    QByteArray Build(uint32_t packetNo) const
    {
        return BuildPacket({packetNo, UserName, HostName}, CMD_ENTRY | OPT_ABSENCE,
                           AbsentExtra(Alias, Location), GroupPartFromGroups(Groups, false));
    }
};

void BM_ParseEntry(benchmark::State& state)
{
    const QByteArray datagram = EntryPacket().Build(101);
    const SocketEvent source{SocketEvent::DataReceived, "192.168.10.23", 2425};
    for (auto _ : state) {
        ReceivedPacket packet = ParsePacket(datagram, source);
        benchmark::DoNotOptimize(packet);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * datagram.size());
    state.counters["datagram_bytes"] = static_cast<double>(datagram.size());
}
BENCHMARK(BM_ParseEntry);

void BM_BuildEntry(benchmark::State& state)
{
    const EntryPacket entry;
    PacketCounter counter;
    for (auto _ : state) {
        QByteArray datagram = entry.Build(counter.Next());
        benchmark::DoNotOptimize(datagram);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildEntry);

} // namespace

BENCHMARK_MAIN();
