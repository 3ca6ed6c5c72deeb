// Entry and presence handling with 1,000 to 65,536 members (a full table). The cost of one packet must
// not grow with the table: every handler finds its member through the table's index.
//
// Two ways in, each with a fake socket that keeps nothing:
//  - *Datagram: through the component as its socket delivers a datagram (the
//    notification is sent straight to the component window; the dispatcher's parse and
//    its one queued message per packet are measured), events raised to one sink;
//  - *Handler: the engine's Handle() with an already parsed PacketMessage, nothing else.
#include "component/HeadlessServices.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/ProtocolEngine.h"
#include "engine/SocketEvent.h"
#include "platform/Cp932.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

namespace
{

constexpr int ChatPort = 2425;

class NullSocket : public IDatagramSocket
{
public:
    int Open(int port, int, int) override
    {
        m_port = port;
        return 1;
    }
    int SendTo(QByteArrayView, int, QByteArrayView bytes) override
    {
        return static_cast<int>(bytes.size());
    }
    int Broadcast(QByteArrayView bytes) override { return static_cast<int>(bytes.size()); }
    int LastError() const override { return 0; }
    int ErrorCode() const override { return 0; }
    int Port() const override { return m_port; }

private:
    int m_port = 0;
};

class NullEvents : public IEngineEvents
{
public:
    void OnMemberAdded(const MemberRecord&) override { ++Raised; }
    void OnPresenseNotified(const QByteArray&, int32_t, const QByteArray&) override { ++Raised; }
    void OnMemberDeleted(const QByteArray&) override {}
    void OnMessageReceived(const QByteArray&, int32_t, const QByteArray&, const QByteArray&,
                           bool) override
    {
    }
    void OnGroupMessageReceived(const QByteArray&, int32_t, const QByteArray&,
                                const QByteArray&) override
    {
    }
    void OnAutoResponsed(const QByteArray&, const QByteArray&) override {}
    void OnXmlCommand(const QByteArray&, const MemberRecord&, const XmlElementList&) override {}
    void OnSendWhileBusy() override {}
    void OnReceiptTimedOut() override {}

    long Raised = 0;
};

// A sink that counts, as a host's would do a little work per event.
class CountingSink : public IPalavoIFEvents
{
public:
    void MemberAdded(const QString&, int32_t, VARIANT_BOOL, const QString&, const QString&,
                     const QString&, const QString&, const QString&) override
    {
        ++Raised;
    }
    void PresenseNotified(const QString&, VARIANT_BOOL, const QString&) override { ++Raised; }

    long Raised = 0;
};

// Distinct addresses 10.x.y.z for up to 16 million members.
QByteArray Address(int i)
{
    return QByteArrayLiteral("10.") + QByteArray::number((i >> 16) & 0xFF) + '.' +
           QByteArray::number((i >> 8) & 0xFF) + '.' + QByteArray::number(i & 0xFF);
}

// The datagrams of N members: each one's entry, and a presence change of each.
struct Traffic {
    explicit Traffic(int n)
    {
        const QByteArray alias = Cp932::FromUnicode(u"山田太郎");
        const QByteArray away = Cp932::FromUnicode(u"山田太郎[会議中]");
        const QByteArray groups = Cp932::FromUnicode(u"開発部");
        for (int i = 0; i < n; ++i) {
            const uint32_t packetNo = static_cast<uint32_t>(1000 + i);
            Addresses.push_back(Address(i));
            Entries.push_back(
                BuildPacket({packetNo, "yamada", "YAMADA-PC"}, CMD_ENTRY, alias, groups));
            Presences.push_back(BuildPacket({packetNo + 1, "yamada", "YAMADA-PC"},
                                            CMD_ABSENCE | OPT_ABSENCE, away, groups));
        }
    }

    std::vector<QByteArray> Addresses;
    std::vector<QByteArray> Entries;
    std::vector<QByteArray> Presences;
};

const Traffic& TrafficFor(int n)
{
    static std::map<int, std::unique_ptr<Traffic>> made;
    auto& traffic = made[n];
    if (!traffic)
        traffic = std::make_unique<Traffic>(n);
    return *traffic;
}

// --- Through the component ---------------------------------------------------------

struct Component {
    Component()
    {
        PalavoIF::Options options;
        options.MakeSocket = [](QObject*) { return std::make_unique<NullSocket>(); };
        options.DebugFlag = false;
        component = std::make_unique<PalavoIF>(services.Services(), std::move(options));
        component->Advise(&sink);
        component->put_PortNo(ChatPort);
        component->put_MyAliase(QStringLiteral("自分"));
        component->put_Groups(QStringLiteral("開発部"));
        component->Entry(1, {});
    }

    // The socket's notification, then the handler message the dispatcher queued.
    void Deliver(const QByteArray& from, const QByteArray& datagram)
    {
        SocketMessage notification(
            WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, ChatPort}, datagram);
        QCoreApplication::sendEvent(component.get(), &notification);
        // All posted events, as the event loop delivers them: only this form lets Qt
        // compact its queue, one for a single receiver leaves a hole per event behind
        // and each later call walks over all of them.
        QCoreApplication::sendPostedEvents();
    }

    std::size_t Members() const { return component->Engine().Members().size(); }

    HeadlessServices services;
    CountingSink sink;
    std::unique_ptr<PalavoIF> component;
};

void PerPacket(benchmark::State& state, int64_t packets)
{
    state.SetItemsProcessed(packets);
    state.counters["per_packet"] = benchmark::Counter(
        static_cast<double>(packets), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// N members enter an empty table; one iteration is all N entries.
void BM_EntryDatagram(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const Traffic& traffic = TrafficFor(n);
    for (auto _ : state) {
        state.PauseTiming();
        auto lan = std::make_unique<Component>();
        state.ResumeTiming();
        for (int i = 0; i < n; ++i)
            lan->Deliver(traffic.Addresses[i], traffic.Entries[i]);
        state.PauseTiming();
        if (lan->Members() != static_cast<std::size_t>(n))
            state.SkipWithError("not every entry made a member");
        lan.reset(); // tearing a full table down is not what is measured
        state.ResumeTiming();
    }
    PerPacket(state, state.iterations() * n);
}

// Presence changes of the members of a full table, one packet an iteration.
void BM_PresenceDatagram(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const Traffic& traffic = TrafficFor(n);
    Component lan;
    for (int i = 0; i < n; ++i)
        lan.Deliver(traffic.Addresses[i], traffic.Entries[i]);
    const long before = lan.sink.Raised;
    int i = 0;
    for (auto _ : state) {
        lan.Deliver(traffic.Addresses[i], traffic.Presences[i]);
        if (++i == n)
            i = 0;
    }
    if (lan.sink.Raised - before != state.iterations())
        state.SkipWithError("a presence change raised no event");
    PerPacket(state, state.iterations());
}

// --- The engine's handlers alone ----------------------------------------------------

struct Engine {
    Engine() : engine(&window, events, [](QObject*) { return std::make_unique<NullSocket>(); })
    {
        engine.Own().PortNo = ChatPort;
        engine.Own().MyAliase = "me";
        engine.Entry("host", "user");
    }

    void Handle(int message, const ReceivedPacket& packet)
    {
        PacketMessage queued(message, packet);
        engine.Handle(&queued);
    }

    QObject window;
    NullEvents events;
    ProtocolEngine engine;
};

std::vector<ReceivedPacket> Parsed(const Traffic& traffic, const std::vector<QByteArray>& datagrams)
{
    std::vector<ReceivedPacket> packets;
    packets.reserve(datagrams.size());
    for (std::size_t i = 0; i < datagrams.size(); ++i)
        packets.push_back(ParsePacket(
            datagrams[i], SocketEvent{SocketEvent::DataReceived, traffic.Addresses[i], ChatPort}));
    return packets;
}

void BM_EntryHandler(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<ReceivedPacket> entries = Parsed(TrafficFor(n), TrafficFor(n).Entries);
    for (auto _ : state) {
        state.PauseTiming();
        auto lan = std::make_unique<Engine>();
        state.ResumeTiming();
        for (const ReceivedPacket& entry : entries)
            lan->Handle(WM_PACKET_ENTRY, entry);
        state.PauseTiming();
        if (lan->engine.Members().size() != static_cast<std::size_t>(n))
            state.SkipWithError("not every entry made a member");
        lan.reset();
        state.ResumeTiming();
    }
    PerPacket(state, state.iterations() * n);
}

// Presence changes cycle over `active` members of a table of N (all of them when 0).
void PresenceHandler(benchmark::State& state, int active)
{
    const int n = static_cast<int>(state.range(0));
    const Traffic& traffic = TrafficFor(n);
    const std::vector<ReceivedPacket> entries = Parsed(traffic, traffic.Entries);
    const std::vector<ReceivedPacket> presences = Parsed(traffic, traffic.Presences);
    Engine lan;
    for (const ReceivedPacket& entry : entries)
        lan.Handle(WM_PACKET_ENTRY, entry);
    const long before = lan.events.Raised;
    const int cycle = active > 0 && active < n ? active : n;
    int i = 0;
    for (auto _ : state) {
        lan.Handle(WM_PACKET_ABSENCE, presences[i]);
        if (++i == cycle)
            i = 0;
    }
    if (lan.events.Raised - before != state.iterations())
        state.SkipWithError("a presence change raised no event");
    PerPacket(state, state.iterations());
}

void BM_PresenceHandler(benchmark::State& state)
{
    PresenceHandler(state, 0);
}

// The same table, but only 1,000 members change: what is left of the growth with N in
// BM_PresenceHandler is then the cost of reaching records that are not in the cache,
// not of finding them.
void BM_PresenceHandlerFewActive(benchmark::State& state)
{
    PresenceHandler(state, 1000);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Arg(1000)->Arg(10000)->Arg(65536)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_EntryDatagram)->Apply(Sizes);
BENCHMARK(BM_PresenceDatagram)->Apply(Sizes);
BENCHMARK(BM_EntryHandler)->Apply(Sizes);
BENCHMARK(BM_PresenceHandler)->Apply(Sizes);
BENCHMARK(BM_PresenceHandlerFewActive)->Apply(Sizes);

} // namespace

// The component posts to itself, so a Qt application object must exist.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
