// How long the call client takes on loopback: a client from nothing to listening, and a
// call from AddParticipant until each side's manager hears "connected" (the events as the
// manager receives them, from the event loop). Two clients in this one process, sound
// from files. A plain timed program: it prints the median, the fastest and the slowest
// of each measure over several calls.
#include "platform/rtc/LinphoneRtcClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
// The sink of one client: answers incoming sessions as the manager does, and notes when
// each side connected and disconnected.
class Side : public rtc::IClientEvents
{
public:
    bool Incoming = false, Connected = false, Disconnected = false;
    bool Answer = false;
    std::shared_ptr<rtc::ISession> Session;

    void OnClientEvent(rtc::ClientEventType) override {}
    void OnRegistrationStateChange(int, int, const QString&) override {}
    void OnSessionStateChange(const std::shared_ptr<rtc::ISession>& session,
                              rtc::SessionState state) override
    {
        if (state == rtc::SessionState::Incoming) {
            Incoming = true;
            Session = session;
            if (Answer)
                session->Answer();
        }
    }
    void OnSessionOperationComplete() override {}
    void OnParticipantStateChange(const std::shared_ptr<rtc::IParticipant>&,
                                  rtc::ParticipantState state) override
    {
        Connected = Connected || state == rtc::ParticipantState::Connected;
        Disconnected = Disconnected || state == rtc::ParticipantState::Disconnected;
    }
    void OnMediaEvent(int, rtc::MediaEventType) override {}
    void OnMessaging() override {}
    void OnBuddy() override {}
    void OnWatcher() override {}
    void OnProfile() override {}
};

bool Wait(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.1f ms   fastest %7.1f   slowest %7.1f   (%zu runs)\n", what,
                ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
}

std::unique_ptr<rtc::LinphoneRtcClient> Start(Side& side, const QString& recording,
                                              QString* address)
{
    rtc::CoreSetup setup;
    setup.BindAddress = QStringLiteral("127.0.0.1");
    setup.RecordFile = recording;
    auto client = std::make_unique<rtc::LinphoneRtcClient>(setup);
    client->Advise(&side);
    if (!client->Initialize() || !client->SetEventFilter(rtc::AllEvents) ||
        !client->SetPreferredMediaTypes(rtc::AudioSend | rtc::AudioReceive, false) ||
        !client->SetListenForIncomingSessions(rtc::ListenDynamicAndDefault))
        return nullptr;
    const auto addresses = client->NetworkAddresses(false, false);
    if (!addresses.ok() || addresses.value.isEmpty())
        return nullptr;
    *address = addresses.value.first();
    return client;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    QTemporaryDir dir;
    std::vector<double> startUp, incoming, calleeConnected, callerConnected, hangUp;

    for (int i = 0; i < runs; ++i) {
        Side caller, callee;
        caller.Answer = true;
        QString callerAddress, calleeAddress;
        QElapsedTimer clock;
        clock.start();
        auto callerClient = Start(caller, dir.filePath("caller.wav"), &callerAddress);
        startUp.push_back(clock.nsecsElapsed() / 1e6);
        auto calleeClient = Start(callee, dir.filePath("callee.wav"), &calleeAddress);
        if (!callerClient || !calleeClient) {
            std::fprintf(stderr, "the call client does not start here\n");
            return 1;
        }

        // The callee of the manager places the call; the caller's client answers.
        clock.restart();
        callee.Session = calleeClient->CreateSession().value;
        if (!callee.Session->AddParticipant("someone@" + callerAddress, "callee").ok()) {
            std::fprintf(stderr, "the call could not be placed\n");
            return 1;
        }
        if (!Wait([&] { return caller.Incoming; }))
            return 1;
        incoming.push_back(clock.nsecsElapsed() / 1e6);
        if (!Wait([&] { return caller.Connected; }))
            return 1;
        callerConnected.push_back(clock.nsecsElapsed() / 1e6);
        if (!Wait([&] { return callee.Connected; }))
            return 1;
        calleeConnected.push_back(clock.nsecsElapsed() / 1e6);

        clock.restart();
        callee.Session->Terminate(rtc::NormalTermination);
        if (!Wait([&] { return caller.Disconnected && callee.Disconnected; }))
            return 1;
        hangUp.push_back(clock.nsecsElapsed() / 1e6);
    }
    Report("client start-up (Initialize to address)", startUp);
    Report("AddParticipant to the caller's Incoming", incoming);
    Report("AddParticipant to the caller's Connected", callerConnected);
    Report("AddParticipant to the callee's Connected", calleeConnected);
    Report("Terminate to both Disconnected", hangUp);
    return 0;
}
