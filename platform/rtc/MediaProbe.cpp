#include "platform/rtc/MediaProbe.h"

#include "platform/rtc/CallLibrary.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace rtc
{
namespace
{
// The child's whole life: the answer as decimal text, or "!" and why not.
[[noreturn]] void RunChild(int out, const QByteArray& modulePath, const QString& iniPath)
{
    QByteArray answer;
    void* module = ::dlopen(modulePath.constData(), RTLD_LAZY | RTLD_LOCAL);
    auto probe = module ? reinterpret_cast<ProbeMediaEntry>(::dlsym(module, ProbeMediaSymbol))
                        : nullptr;
    if (!probe) {
        answer = QByteArray("!") + ::dlerror();
    } else {
        const int caps = probe(iniPath);
        answer = caps < 0 ? QByteArray("!The call library did not start.")
                          : QByteArray::number(caps);
    }
    const char* data = answer.constData();
    for (qsizetype left = answer.size(); left > 0;) {
        const ssize_t written = ::write(out, data, size_t(left));
        if (written <= 0)
            break;
        data += written;
        left -= written;
    }
    // Nothing of the parent's (its buffers, its exit handlers) is the child's to run.
    ::_exit(0);
}
} // namespace

MediaProbe::MediaProbe(const QString& modulePath, const QString& iniPath)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_result = RtcResult<int>::Failed(QStringLiteral("The media probe could not start."));
        return;
    }
    const QByteArray path = QFile::encodeName(modulePath);
    m_child = ::fork();
    if (m_child == 0) {
        ::close(fds[0]);
        // The program's window is being made meanwhile, and comes first; the answer is
        // needed only half a second later, at entry.
        [[maybe_unused]] const int niceness = ::nice(10);
        RunChild(fds[1], path, iniPath);
    }
    ::close(fds[1]);
    if (m_child < 0) {
        ::close(fds[0]);
        m_result = RtcResult<int>::Failed(QStringLiteral("The media probe could not start."));
        return;
    }
    m_pipe = fds[0];
}

MediaProbe::~MediaProbe()
{
    if (m_pipe >= 0)
        ::close(m_pipe);
    if (m_child > 0) {
        ::kill(m_child, SIGKILL);
        ::waitpid(m_child, nullptr, 0);
    }
}

RtcResult<int> MediaProbe::Result(int timeoutMs)
{
    if (m_result)
        return *m_result;
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    bool ended = false;
    while (!ended) {
        const qint64 left = timeoutMs - clock.elapsed();
        pollfd ready{m_pipe, POLLIN, 0};
        const int polled = left > 0 ? ::poll(&ready, 1, int(left)) : 0;
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            break;
        char buffer[256];
        const ssize_t got = ::read(m_pipe, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            ended = true;
        else
            answer.append(buffer, got);
    }
    ::close(m_pipe);
    m_pipe = -1;
    if (!ended)
        ::kill(m_child, SIGKILL);
    ::waitpid(m_child, nullptr, 0);
    m_child = -1;
    bool number = false;
    const int caps = answer.toInt(&number);
    if (!ended)
        m_result = RtcResult<int>::Failed(QStringLiteral("The media probe did not answer."));
    else if (answer.startsWith('!'))
        m_result = RtcResult<int>::Failed(QString::fromLocal8Bit(answer.mid(1)));
    else if (!number || caps < 0)
        m_result = RtcResult<int>::Failed(QStringLiteral("The media probe ended without an answer."));
    else
        m_result = RtcResult<int>::Of(caps);
    return *m_result;
}

} // namespace rtc
