#include "CliCopy.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTimer>

#include <ctime>

CliCopy::CliCopy(const QString& program, const QStringList& args)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { ReadOutput(); });
    m_process.start(program, args);
}

CliCopy::~CliCopy()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

qint64 CliCopy::NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void CliCopy::ReadOutput()
{
    const qint64 at = NowNs();
    m_partial += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QJsonDocument document = QJsonDocument::fromJson(m_partial.left(end));
        m_partial.remove(0, end + 1);
        if (document.isObject())
            m_lines.push_back({document.object(), at});
    }
}

bool CliCopy::WaitReady(int timeoutMs)
{
    return WaitFor([](const QJsonObject& o) { return o.value("ready").toBool(); }, timeoutMs)
        .has_value();
}

qint64 CliCopy::Send(QJsonObject request)
{
    request.insert(QStringLiteral("id"), m_nextId++);
    const qint64 at = NowNs();
    m_process.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    return at;
}

QJsonObject CliCopy::Request(QJsonObject request, int timeoutMs)
{
    const int id = m_nextId;
    Send(std::move(request));
    const std::optional<Line> answer =
        WaitFor([id](const QJsonObject& o) { return o.value("id").toInt(-1) == id; }, timeoutMs);
    return answer ? answer->Json : QJsonObject{};
}

std::optional<CliCopy::Line> CliCopy::WaitFor(const std::function<bool(const QJsonObject&)>& match,
                                              int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Wakes the loop now and then, so the deadline is seen when nothing is printed.
    QTimer wake;
    wake.start(10);
    for (;;) {
        for (; m_next < m_lines.size(); ++m_next)
            if (match(m_lines[m_next].Json))
                return m_lines[m_next++];
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return std::nullopt;
        // Every copy's output is read here, not only this one's: a copy whose pipe is
        // full would stop in the middle of a transfer.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

QString CliCopy::Tail() const
{
    QString text;
    const size_t first = m_lines.size() > 8 ? m_lines.size() - 8 : 0;
    for (size_t i = first; i < m_lines.size(); ++i)
        text +=
            QString::fromUtf8(QJsonDocument(m_lines[i].Json).toJson(QJsonDocument::Compact)) + '\n';
    return text;
}
