#include "CliPeer.h"

#include "JsonLines.h"
#include "VirtualLan.h"
#include "support/EventWaiter.h"

#include <QElapsedTimer>
#include <QJsonDocument>

#include <gtest/gtest.h>

namespace
{
QElapsedTimer& Clock()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock;
}
} // namespace

qint64 CliPeer::Now()
{
    return Clock().elapsed();
}

CliPeer::CliPeer(VirtualLan& lan, int host, const QStringList& extraArgs)
    : m_host(host), m_address(lan.Address(host))
{
    // What the copy says on stderr (a crash, a warning) goes straight into the test log.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { ReadOutput(); });
    const QStringList command =
        lan.Exec(host, QStringList{QStringLiteral(PALAVO_CLI_PATH), QStringLiteral("--home"),
                                   m_home.path()} +
                           extraArgs);
    m_process.start(QStringLiteral("/bin/bash"), command);
}

CliPeer::~CliPeer()
{
    if (!Running())
        return;
    CloseInput();
    if (WaitForExit(5000) == -1 && Running()) {
        Kill();
        m_process.waitForFinished(2000);
    }
}

void CliPeer::ReadOutput()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QByteArray text = m_partial.left(end);
        m_partial.remove(0, end + 1);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(text, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            ADD_FAILURE() << "host " << m_host
                          << " printed a line that is not a JSON object: " << text.constData();
            continue;
        }
        m_lines.push_back({document.object(), Now()});
    }
}

bool CliPeer::WaitReady(int timeoutMs)
{
    return WaitForLine([](const QJsonObject& o) { return o.value("ready").toBool(); }, timeoutMs) >=
           0;
}

int CliPeer::Send(QJsonObject request)
{
    const int id = m_nextId++;
    request.insert(QStringLiteral("id"), id);
    m_process.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    return id;
}

std::vector<int> CliPeer::SendTogether(std::vector<QJsonObject> requests)
{
    std::vector<int> ids;
    QByteArray lines;
    for (QJsonObject& request : requests) {
        ids.push_back(m_nextId);
        request.insert(QStringLiteral("id"), m_nextId++);
        lines += QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
    }
    m_process.write(lines);
    return ids;
}

QJsonObject CliPeer::Call(const QString& member, const QJsonArray& args, int timeoutMs)
{
    const int id = Send({{"call", member}, {"args", args}});
    const int at = WaitForLine([id](const QJsonObject& o) { return o.value("id").toInt(-1) == id; },
                               timeoutMs);
    if (at < 0) {
        ADD_FAILURE() << "host " << m_host << ": no answer to " << member.toStdString() << "\n"
                      << Diagnostics().toStdString();
        return {};
    }
    return m_lines[static_cast<size_t>(at)].Json;
}

QJsonObject CliPeer::Set(const QString& property, const QJsonValue& value)
{
    const int id = Send({{"set", property}, {"value", value}});
    const int at =
        WaitForLine([id](const QJsonObject& o) { return o.value("id").toInt(-1) == id; });
    return at < 0 ? QJsonObject{} : m_lines[static_cast<size_t>(at)].Json;
}

QJsonValue CliPeer::Get(const QString& property)
{
    const int id = Send({{"get", property}});
    const int at =
        WaitForLine([id](const QJsonObject& o) { return o.value("id").toInt(-1) == id; });
    return at < 0 ? QJsonValue() : m_lines[static_cast<size_t>(at)].Json.value("value");
}

std::vector<QJsonArray> CliPeer::Events(const QString& name) const
{
    std::vector<QJsonArray> found;
    for (const Line& line : m_lines)
        if (line.Json.value("event").toString() == name)
            found.push_back(line.Json.value("args").toArray());
    return found;
}

std::vector<QJsonObject> CliPeer::Boxes(const QString& caption) const
{
    std::vector<QJsonObject> found;
    for (const Line& line : m_lines) {
        const QJsonObject box = line.Json.value("messageBox").toObject();
        if (!box.isEmpty() && (caption.isEmpty() || box.value("caption").toString() == caption))
            found.push_back(box);
    }
    return found;
}

int CliPeer::WaitForLine(const std::function<bool(const QJsonObject&)>& match, int timeoutMs,
                         size_t from)
{
    return WaitForJsonLine(m_lines, match, timeoutMs, from,
                           [this] { return !Running() && m_process.bytesAvailable() == 0; });
}

int CliPeer::WaitForEvent(const QString& name, const std::function<bool(const QJsonArray&)>& match,
                          int timeoutMs, size_t from)
{
    return WaitForLine(
        [&](const QJsonObject& o) {
            return o.value("event").toString() == name && match(o.value("args").toArray());
        },
        timeoutMs, from);
}

void CliPeer::CloseInput()
{
    m_process.closeWriteChannel();
}

void CliPeer::Terminate()
{
    m_process.terminate();
}

void CliPeer::Kill()
{
    m_process.kill();
}

int CliPeer::WaitForExit(int timeoutMs)
{
    WaitUntil([&] { return !Running(); }, timeoutMs);
    if (Running() || m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    ReadOutput();
    return m_process.exitCode();
}

QString CliPeer::Diagnostics() const
{
    QString text = QStringLiteral("host %1 (%2), last lines:\n").arg(m_host).arg(m_address);
    const size_t first = m_lines.size() > 15 ? m_lines.size() - 15 : 0;
    for (size_t i = first; i < m_lines.size(); ++i)
        text +=
            QString::fromUtf8(QJsonDocument(m_lines[i].Json).toJson(QJsonDocument::Compact)) + '\n';
    return text;
}

void Configure(CliPeer& peer, const PeerSettings& s)
{
    const std::pair<const char*, QJsonValue> properties[] = {
        {"MyAliase", s.Aliase},
        {"ApplicationName", s.ApplicationName},
        {"ApplicationVersion", s.ApplicationVersion},
        {"Groups", s.Groups},
        {"PortNo", s.PortNo},
        {"MailAddress", s.MailAddress},
    };
    for (const auto& [name, value] : properties)
        EXPECT_TRUE(peer.Set(QLatin1String(name), value).value("ok").toBool()) << name;
}
