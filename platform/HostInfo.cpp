#include "HostInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace
{

// The login name and home directory of the effective user, from the password database.
struct PasswdEntry {
    QString Name;
    QString Home;
};

PasswdEntry OwnPasswdEntry()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr)
        return {};
    return {QString::fromLocal8Bit(found->pw_name != nullptr ? found->pw_name : ""),
            QFile::decodeName(found->pw_dir != nullptr ? found->pw_dir : "")};
}

QString HomeDir()
{
    const QString home = qEnvironmentVariable("HOME");
    return home.isEmpty() ? OwnPasswdEntry().Home : home;
}

} // namespace

namespace HostInfo
{

QString ComputerName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return QString::fromLocal8Bit(name);
}

QString LogonName()
{
    const QString name = OwnPasswdEntry().Name;
    if (!name.isEmpty())
        return name;
    // Containers often run with a user id the password database does not know.
    return qEnvironmentVariable("USER");
}

QString ExecutableDir()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return exe.isEmpty() ? QDir::currentPath() : QFileInfo(exe).absolutePath();
}

QString ChooseSettingsDir(const QString& palavoHome, const QString& exeDir, bool exeDirWritable,
                          const QString& xdgConfigHome, const QString& home)
{
    if (!palavoHome.isEmpty())
        return QDir::cleanPath(QDir(palavoHome).absolutePath());
    if (exeDirWritable)
        return exeDir;
    if (!xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome))
        return QDir::cleanPath(xdgConfigHome + QStringLiteral("/palavo"));
    if (!home.isEmpty())
        return QDir::cleanPath(home + QStringLiteral("/.config/palavo"));
    // Nowhere better to go; writes will fail there and reads give the defaults.
    return exeDir;
}

QString SettingsDir()
{
    const QString exeDir = ExecutableDir();
    const bool writable = access(QFile::encodeName(exeDir).constData(), W_OK) == 0;
    const QString dir = ChooseSettingsDir(qEnvironmentVariable("PALAVO_HOME"), exeDir, writable,
                                          qEnvironmentVariable("XDG_CONFIG_HOME"), HomeDir());
    if (dir != exeDir)
        QDir().mkpath(dir);
    return dir;
}

QString HistoryFile()
{
    const QString name = QStringLiteral("/Palavo_history.db");
    const QString palavoHome = qEnvironmentVariable("PALAVO_HOME");
    if (!palavoHome.isEmpty())
        return QDir::cleanPath(palavoHome) + name;
    const QString xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString dir = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                            ? QDir::cleanPath(xdgDataHome + QStringLiteral("/palavo"))
                            : QDir::cleanPath(HomeDir() + QStringLiteral("/.local/share/palavo"));
    QDir().mkpath(dir);
    return dir + name;
}

QString LocalIPv4Address()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return QStringLiteral("127.0.0.1");
    QString address = QStringLiteral("127.0.0.1");
    for (const ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
        if (it->ifa_addr == nullptr || it->ifa_addr->sa_family != AF_INET)
            continue;
        if ((it->ifa_flags & IFF_UP) == 0 || (it->ifa_flags & IFF_LOOPBACK) != 0)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr) {
            address = QString::fromLatin1(text);
            break;
        }
    }
    freeifaddrs(list);
    return address;
}

} // namespace HostInfo
