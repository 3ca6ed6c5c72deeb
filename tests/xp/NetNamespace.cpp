#include "NetNamespace.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

NetNamespace::NetNamespace(const QString& name)
{
    m_home = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (m_home < 0) {
        m_error = QStringLiteral("cannot open this thread's namespace: ") + std::strerror(errno);
        return;
    }
    const QByteArray path = QFile::encodeName(QStringLiteral("/var/run/netns/") + name);
    const int target = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (target < 0) {
        m_error =
            QStringLiteral("cannot open %1: %2")
                .arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    if (::setns(target, CLONE_NEWNET) == 0)
        m_entered = true;
    else
        m_error = QStringLiteral("setns into %1 failed: %2")
                      .arg(name, QString::fromLocal8Bit(std::strerror(errno)));
    ::close(target);
}

NetNamespace::~NetNamespace()
{
    // Going home cannot fail for a thread that could leave it; if it did, every later
    // socket of this thread would quietly live in the wrong network.
    if (m_entered && ::setns(m_home, CLONE_NEWNET) != 0)
        qFatal("cannot return to the original network namespace: %s", std::strerror(errno));
    if (m_home >= 0)
        ::close(m_home);
}
