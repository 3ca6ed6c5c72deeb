#include "CallCopy.h"

#include "JsonLines.h"
#include "VirtualLan.h"
#include "support/EventWaiter.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>

#include <ctime>

namespace
{

void WriteIni(const QString& dir, const CallSettings& s)
{
    QFile ini(dir + QStringLiteral("/Palavo.ini"));
    if (!ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const QString text = QStringLiteral("[User]\naliase=%1\nautoEntry=1\nmedia=%2\nautoAnswer=%3\n")
                             .arg(s.Aliase)
                             .arg(s.Media)
                             .arg(s.AutoAnswer ? 1 : 0);
    ini.write(text.toUtf8());
}

} // namespace

qint64 CallCopy::NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

CallCopy::CallCopy(const VirtualLan& lan, int host, const CallSettings& settings)
    : m_address(lan.Address(host)), m_settings(settings)
{
    WriteIni(m_home.path(), settings);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PALAVO_HOME"), m_home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), settings.Platform);
    for (const auto& [name, value] :
         {std::pair{QStringLiteral("PALAVO_AUDIO_IN"), settings.AudioIn},
          std::pair{QStringLiteral("PALAVO_AUDIO_OUT"), settings.AudioOut}}) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    if (settings.TestCamera)
        env.insert(QStringLiteral("PALAVO_TEST_CAMERA"), QStringLiteral("1"));
    else
        env.remove(QStringLiteral("PALAVO_TEST_CAMERA"));
    m_process.setProcessEnvironment(env);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { ReadOutput(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError,
                     [this] { m_errors += m_process.readAllStandardError(); });
    const QStringList command = lan.Exec(host, {QStringLiteral(PALAVO_CALL_HOST_PATH)});
    m_process.start(command.first(), command.mid(1));
}

CallCopy::~CallCopy()
{
    if (!Running())
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(8000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void CallCopy::ReadOutput()
{
    const qint64 at = NowNs();
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QByteArray text = m_partial.left(end);
        m_partial.remove(0, end + 1);
        const QJsonDocument document = QJsonDocument::fromJson(text);
        // Anything else on stdout (a library's chatter) is kept for the failure message.
        if (document.isObject())
            m_lines.push_back({document.object(), at});
        else
            m_errors += text + '\n';
    }
}

void CallCopy::Command(const QString& command)
{
    m_process.write(command.toUtf8() + '\n');
}

QJsonObject CallCopy::Ask(const QString& command, int timeoutMs)
{
    const size_t from = m_lines.size();
    Command(command);
    const int at = WaitForText(QStringLiteral("answer"), command, timeoutMs, from);
    return at < 0 ? QJsonObject{} : At(at).Json;
}

int CallCopy::WaitFor(const std::function<bool(const QJsonObject&)>& match, int timeoutMs,
                      size_t from)
{
    return WaitForJsonLine(m_lines, match, timeoutMs, from,
                           [this] { return !Running() && m_process.bytesAvailable() == 0; });
}

int CallCopy::WaitForText(const QString& key, const QString& value, int timeoutMs, size_t from)
{
    return WaitFor([&](const QJsonObject& o) { return o.value(key).toString() == value; },
                   timeoutMs, from);
}

bool CallCopy::WaitStarted(QString* why, int timeoutMs)
{
    const auto panel2 = [](const QJsonObject& o) {
        return o.value("panel").toInt() == 2 && !o.value("text").toString().isEmpty();
    };
    if (WaitFor([](const QJsonObject& o) { return o.value("entered").toBool(); }, timeoutMs) < 0) {
        *why = QStringLiteral("did not enter");
        return false;
    }
    // The call manager starts within the entry, so its panel follows at once.
    const int at = WaitFor(
        [&](const QJsonObject& o) {
            return panel2(o) && o.value("text") == QLatin1String("RTC ON");
        },
        3000);
    if (at >= 0)
        return true;
    QString last;
    for (const Line& line : m_lines)
        if (panel2(line.Json))
            last = line.Json.value("text").toString();
    *why = QStringLiteral("voice chat did not start; status bar: \"%1\"").arg(last);
    return false;
}

bool CallCopy::WaitForPeer(const QString& address, int timeoutMs)
{
    return WaitFor(
               [&](const QJsonObject& o) {
                   return o.value("member").toString() == address && o.value("product").toBool();
               },
               timeoutMs) >= 0;
}

QStringList CallCopy::Statuses(size_t from) const
{
    QStringList texts;
    for (size_t i = from; i < m_lines.size(); ++i) {
        const QJsonValue status = m_lines[i].Json.value("status");
        if (status.isString() && (texts.isEmpty() || texts.last() != status.toString()))
            texts << status.toString();
    }
    return texts;
}

bool CallCopy::Quit(int timeoutMs)
{
    if (!Running())
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    Command(QStringLiteral("quit"));
    WaitUntil([&] { return !Running(); }, timeoutMs);
    return !Running() && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}

QString CallCopy::Tail() const
{
    QString text = QStringLiteral("%1 (%2), last lines:\n").arg(m_settings.Aliase, m_address);
    const size_t first = m_lines.size() > 25 ? m_lines.size() - 25 : 0;
    for (size_t i = first; i < m_lines.size(); ++i)
        text += QString::fromUtf8(QJsonDocument(m_lines[i].Json).toJson(QJsonDocument::Compact)) +
                u'\n';
    if (!m_errors.isEmpty())
        text += QStringLiteral("stderr:\n") + QString::fromLocal8Bit(m_errors.right(3000));
    return text;
}
