#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// One palavo-cli driven by JSON lines, for the benches: every line it prints is kept
// with the time it arrived (steady clock, nanoseconds), and waits run the event loop.
// Lines are taken in order: a wait looks only at lines after the last one it matched.
class CliCopy
{
public:
    struct Line {
        QJsonObject Json;
        qint64 AtNs = 0;
    };

    // Runs `program` with `args` (e.g. "vlan.sh exec NAME 1 palavo-cli --home DIR").
    CliCopy(const QString& program, const QStringList& args);
    // Closes its input (it leaves the network and exits), then kills it if it dawdles.
    ~CliCopy();
    CliCopy(const CliCopy&) = delete;
    CliCopy& operator=(const CliCopy&) = delete;

    static qint64 NowNs();

    bool WaitReady(int timeoutMs = 10000);
    // Writes one request (an id is added); the time it was written.
    qint64 Send(QJsonObject request);
    // Sends and waits for the answer; an empty object on time-out.
    QJsonObject Request(QJsonObject request, int timeoutMs = 5000);
    // Waits for the next line that satisfies `match`; nothing when time runs out or
    // the copy has ended.
    std::optional<Line> WaitFor(const std::function<bool(const QJsonObject&)>& match,
                                int timeoutMs);

    // The last lines printed, for a message when something went wrong.
    QString Tail() const;
    // Every line so far, waited for or not.
    const std::vector<Line>& Lines() const { return m_lines; }
    qint64 Pid() const { return m_process.processId(); }

private:
    void ReadOutput();

    QProcess m_process;
    QByteArray m_partial;
    std::vector<Line> m_lines;
    size_t m_next = 0;
    int m_nextId = 1;
};
