#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <vector>

class VirtualLan;

// How one PalavoXP of a call test is set up.
struct CallSettings {
    QString Aliase;
    // The user's media choice ("User"/"media"): 1 voice, 2 video, 4 whiteboard.
    int Media = 1;
    bool AutoAnswer = false;
    // Sound files instead of a sound card (16-bit WAV); empty: not set.
    QString AudioIn;
    QString AudioOut;
    // The media library's synthetic picture as the camera.
    bool TestCamera = false;
    // Qt's platform: "offscreen", or "xcb" for pictures on the X display of the test.
    QString Platform = QStringLiteral("offscreen");
};

// One palavo-call-host (PalavoXP with CallDriver) inside one host of the virtual LAN,
// with a settings directory of its own and automatic entry. Every JSON line it prints
// is kept in order with the time it arrived; the lines carry the program's own time
// ("atNs", the steady clock shared by every process of the machine).
class CallCopy
{
public:
    struct Line {
        QJsonObject Json;
        qint64 AtNs = 0; // arrival, on NowNs()
    };

    CallCopy(const VirtualLan& lan, int host, const CallSettings& settings);
    // Quits it if it still runs, then kills it when it dawdles.
    ~CallCopy();
    CallCopy(const CallCopy&) = delete;
    CallCopy& operator=(const CallCopy&) = delete;

    static qint64 NowNs();

    const QString& Address() const { return m_address; }
    const CallSettings& Settings() const { return m_settings; }
    qint64 Pid() const { return m_process.processId(); }
    bool Running() const { return m_process.state() != QProcess::NotRunning; }

    // Writes one command line ("call 10.1.0.3", "accept", ...).
    void Command(const QString& command);
    // Writes the command and waits for its answer; the answer, or an empty object.
    QJsonObject Ask(const QString& command, int timeoutMs = 5000);

    // Waits until a line from index `from` on satisfies `match`; its index, or -1 when
    // the time ran out or the program ended first.
    int WaitFor(const std::function<bool(const QJsonObject&)>& match, int timeoutMs,
                size_t from = 0);
    // The first line from `from` on that has `key` with the text `value`.
    int WaitForText(const QString& key, const QString& value, int timeoutMs, size_t from = 0);
    // Ready, entered, and voice chat on ("RTC ON"); false with the reason otherwise.
    bool WaitStarted(QString* why, int timeoutMs = 15000);
    // Waits until the program knows `address` as a peer of this system.
    bool WaitForPeer(const QString& address, int timeoutMs = 10000);

    const std::vector<Line>& Lines() const { return m_lines; }
    const Line& At(int index) const { return m_lines[static_cast<size_t>(index)]; }
    // The status texts shown so far, in order (repeats of one text told once).
    QStringList Statuses(size_t from = 0) const;

    // "quit", then waits for the end; true when it ended normally.
    bool Quit(int timeoutMs = 10000);
    // The last lines, stderr included, for failure messages.
    QString Tail() const;

private:
    void ReadOutput();

    QString m_address;
    CallSettings m_settings;
    QTemporaryDir m_home;
    QProcess m_process;
    QByteArray m_partial;
    QByteArray m_errors;
    std::vector<Line> m_lines;
};
