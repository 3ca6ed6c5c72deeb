#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <vector>

class VirtualLan;

// One palavo-cli inside one host of the virtual LAN, talked to by JSON lines. Every
// line it prints is kept, in order, with the time it arrived, so a test can wait for
// a line and later look at everything that came.
class CliPeer
{
public:
    struct Line {
        QJsonObject Json;
        qint64 AtMs = 0; // on the test's clock, Now()
    };

    // Starts the copy with its own settings directory; `extraArgs` go to palavo-cli.
    CliPeer(VirtualLan& lan, int host, const QStringList& extraArgs = {});
    // Ends the copy if it still runs (end of input, then SIGKILL when it dawdles).
    ~CliPeer();

    static qint64 Now();

    int Host() const { return m_host; }
    const QString& Address() const { return m_address; }
    bool WaitReady(int timeoutMs = 10000);

    // Writes one request and returns its id.
    int Send(QJsonObject request);
    // Writes several requests in one write, so the copy reads them together and handles
    // them back to back, with nothing from the network in between. Their ids.
    std::vector<int> SendTogether(std::vector<QJsonObject> requests);
    // Sends and waits for the answer (an empty object on timeout, with a test failure).
    QJsonObject Call(const QString& member, const QJsonArray& args = {}, int timeoutMs = 5000);
    QJsonObject Set(const QString& property, const QJsonValue& value);
    QJsonValue Get(const QString& property);

    const std::vector<Line>& Lines() const { return m_lines; }
    // Argument lists of every event of that name so far.
    std::vector<QJsonArray> Events(const QString& name) const;
    // Message boxes so far, optionally only those with that caption.
    std::vector<QJsonObject> Boxes(const QString& caption = {}) const;

    // Waits until some line from index `from` on satisfies `match`; its index, or -1.
    int WaitForLine(const std::function<bool(const QJsonObject&)>& match, int timeoutMs = 5000,
                    size_t from = 0);
    int WaitForEvent(const QString& name, const std::function<bool(const QJsonArray&)>& match,
                     int timeoutMs = 5000, size_t from = 0);

    void CloseInput();
    void Terminate(); // SIGTERM
    void Kill();      // SIGKILL: gone without a word on the network
    // Waits for the process to end; its exit code, or -1 when it did not end normally.
    int WaitForExit(int timeoutMs = 5000);
    bool Running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return m_process.processId(); }
    QString Diagnostics() const; // the last lines and stderr, for failure messages

private:
    void ReadOutput();

    int m_host;
    QString m_address;
    QTemporaryDir m_home;
    QProcess m_process;
    QByteArray m_partial;
    std::vector<Line> m_lines;
    int m_nextId = 1;
};

// The usual set-up of one copy: the properties the chat control sets, in its order.
struct PeerSettings {
    QString Aliase;
    QString Groups = QStringLiteral("開発部,営業部");
    QString MailAddress;
    QString ApplicationName = QStringLiteral("Palavo XP");
    QString ApplicationVersion = QStringLiteral("1.0");
    int PortNo = 2425;
};
void Configure(CliPeer& peer, const PeerSettings& settings);
