// The worst 8 KB datagrams a hostile peer can send, each timed from its arrival to the
// end of all the work it causes (the target: under a millisecond each):
//  - BM_Split*: XML command texts for XmlElementList::Split, a well-formed file offer
//    beside thousands of tags that are never closed;
//  - BM_HostList*: host-list answers handled by the component as its socket delivers
//    them, every listed host queued as an entry and answered. The socket resolves each
//    destination as the real one does (a dotted address, else the system's resolver)
//    but sends nothing, so what is timed is the engine's work and its name look-ups.
#include "component/HeadlessServices.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketAddress.h"
#include "engine/SocketEvent.h"
#include "engine/XmlElementList.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{

constexpr int ChatPort = 2425;
constexpr qsizetype TextLimit = 8191; // what reaches the splitter of one datagram

// --- The XML splitter ---------------------------------------------------------------

QByteArray Filled(const QByteArray& unit)
{
    QByteArray text;
    while (text.size() + unit.size() <= TextLimit)
        text += unit;
    return text;
}

QByteArray DistinctUnclosed()
{
    QByteArray text;
    for (int i = 0;; ++i) {
        const QByteArray tag = "<n" + QByteArray::number(i) + ">";
        if (text.size() + tag.size() > TextLimit)
            return text;
        text += tag;
    }
}

void Split(benchmark::State& state, const QByteArray& text)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(XmlElementList::Split(text));
    state.SetBytesProcessed(state.iterations() * text.size());
}

void BM_SplitFileOffer(benchmark::State& state)
{
    Split(state, XmlElement("Command", "FileTransfer") + XmlElement("Sender", "Taro") +
                     XmlElement("PortNo", 2426) + XmlElement("FileName", "report.pdf") +
                     XmlElement("FileSize", 123456) + XmlElement("Comment", "see page 3"));
}

// The same name unclosed 2,730 times.
void BM_SplitUnclosedSameName(benchmark::State& state)
{
    Split(state, Filled("<a>"));
}

// About 1,700 different names, each unclosed.
void BM_SplitUnclosedDistinctNames(benchmark::State& state)
{
    Split(state, DistinctUnclosed());
}

// Unclosed tags between closing tags of other names: the index has many entries.
void BM_SplitUnclosedAmongClosingTags(benchmark::State& state)
{
    Split(state, Filled("<a></b>"));
}

// --- The host list ------------------------------------------------------------------

class ResolvingSocket : public IDatagramSocket
{
public:
    int Open(int port, int, int) override
    {
        m_port = port;
        return 1;
    }
    int SendTo(QByteArrayView host, int, QByteArrayView bytes) override
    {
        return ResolveHostAddress(host) ? static_cast<int>(bytes.size()) : 0;
    }
    int Broadcast(QByteArrayView bytes) override { return static_cast<int>(bytes.size()); }
    int LastError() const override { return 0; }
    int ErrorCode() const override { return 0; }
    int Port() const override { return m_port; }

private:
    int m_port = 0;
};

// As many seven-field entries as 8 KB hold, every field but the address left empty.
QByteArray HostList(QByteArray (*address)(int), int* entries)
{
    QByteArray list = "0\a0\a";
    for (int i = 0;; ++i) {
        const QByteArray entry = "\a\a1\a" + address(i) + "\a\a\a\a";
        if (list.size() + entry.size() > TextLimit - 40) {
            *entries = i;
            return BuildPacket({500, "srv", "srvhost"}, CMD_ANSWER_LIST, list);
        }
        list += entry;
    }
}

QByteArray HostName(int i)
{
    return "h" + QByteArray::number(i);
}

QByteArray DottedName(int i)
{
    return "127.0." + QByteArray::number((i >> 8) & 0xFF) + '.' + QByteArray::number(i & 0xFF);
}

void HandleHostList(benchmark::State& state, QByteArray (*address)(int))
{
    PalavoIF::Options options;
    options.MakeSocket = [](QObject*) { return std::make_unique<ResolvingSocket>(); };
    options.DebugFlag = false;
    HeadlessServices services;
    PalavoIF component(services.Services(), std::move(options));
    component.put_PortNo(ChatPort);
    component.put_MyAliase(QStringLiteral("me"));
    component.UseHostlist(1);
    component.Entry(1, {});
    int entries = 0;
    const QByteArray datagram = HostList(address, &entries);
    for (auto _ : state) {
        SocketMessage notification(
            WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, "10.0.0.9", 5000}, datagram);
        QCoreApplication::sendEvent(&component, &notification);
        QCoreApplication::sendPostedEvents(); // every listed host's queued entry
    }
    state.counters["entries"] = entries;
    state.counters["members"] = static_cast<double>(component.Engine().Members().size());
}

// About 1,000 host names, which would each be looked up by the system's resolver.
void BM_HostListOfNames(benchmark::State& state)
{
    HandleHostList(state, HostName);
}

// About 550 dotted addresses: taken, answered and asked for their information.
void BM_HostListOfAddresses(benchmark::State& state)
{
    HandleHostList(state, DottedName);
}

} // namespace

BENCHMARK(BM_SplitFileOffer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplitUnclosedSameName)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplitUnclosedDistinctNames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SplitUnclosedAmongClosingTags)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostListOfNames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HostListOfAddresses)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
