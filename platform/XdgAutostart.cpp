#include "XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace
{
// Tells an entry this program wrote from one the user copied there or wrote by hand,
// which the program leaves alone when the option goes off.
const QString Marker = QStringLiteral("X-PalavoXP-Autostart=true");
// An entry is a few hundred bytes; the folder is the user's, but a huge file there is
// not ours and need not be read whole.
constexpr qint64 MaxEntryBytes = 64 * 1024;

// One argument of an Exec key: quoted when it holds a character the desktop's command
// line treats specially; then the string escapes of every desktop-entry value on top.
// Control characters cannot be written at all.
QString ExecArgument(const QString& arg)
{
    static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    QString quoted;
    bool needsQuotes = arg.isEmpty();
    for (const QChar c : arg) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return {};
        if (reserved.contains(c))
            needsQuotes = true;
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    if (!needsQuotes)
        quoted = arg;
    else
        quoted = u'"' + quoted + u'"';
    // A literal % would start a field code; a backslash is escaped once more as a value.
    return quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
}

// The lines of the entry at `path`; none when it is missing, unreadable or too big.
QStringList EntryLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxEntryBytes)
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}
} // namespace

XdgAutostart::XdgAutostart(QString dir, QString program, QString home)
    : m_dir(std::move(dir)), m_program(std::move(program)), m_home(std::move(home))
{
}

QString XdgAutostart::DefaultDir()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base =
        QDir::isAbsolutePath(config) ? config : QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/autostart"));
}

QString XdgAutostart::EntryPath() const
{
    return QDir(m_dir).filePath(QStringLiteral("palavo-xp.desktop"));
}

QString XdgAutostart::ExecLine() const
{
    QStringList args{ExecArgument(m_program)};
    if (!m_home.isEmpty())
        args << QStringLiteral("--home") << ExecArgument(m_home);
    if (args.contains(QString()))
        return {};
    return QStringLiteral("Exec=") + args.join(u' ');
}

bool XdgAutostart::Enabled() const
{
    const QStringList lines = EntryLines(EntryPath());
    const QString exec = ExecLine();
    return !exec.isEmpty() && lines.contains(Marker) && lines.contains(exec);
}

QString XdgAutostart::SetEnabled(bool on) const
{
    const QString path = EntryPath();
    if (!on) {
        QFile file(path);
        if (!EntryLines(path).contains(Marker))
            return {};
        return file.remove() ? QString() : file.errorString();
    }
    const QString exec = ExecLine();
    if (exec.isEmpty())
        return QStringLiteral("プログラムか設定フォルダのパスに制御文字があります");
    if (!QDir().mkpath(m_dir))
        return QStringLiteral("フォルダ %1 を作れません").arg(m_dir);
    const QString text =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Palavo XP\n"
                       "Comment=Serverless chat and presence on the local network\n"
                       "Comment[ja]=サーバ不要のLANチャットと在席表示\n"
                       "Icon=palavo-xp\n"
                       "Terminal=false\n") +
        exec + u'\n' + Marker + u'\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return file.errorString();
    return {};
}
