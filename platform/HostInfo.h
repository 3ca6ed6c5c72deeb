#pragma once

#include <QString>

// Facts about the machine and the process that the original platform answered.
namespace HostInfo
{

// The machine's name (gethostname); empty when it cannot be read.
QString ComputerName();

// The logged-on user's login name (password database, then $USER); empty when unknown.
QString LogonName();

// Directory of the running executable.
QString ExecutableDir();

// Where "Palavo.ini" and the logs live: $PALAVO_HOME when set, else the executable's
// directory when it is writable, else $XDG_CONFIG_HOME/palavo (~/.config/palavo),
// created on first use.
QString SettingsDir();

// The decision behind SettingsDir, without touching the file system: the values of
// $PALAVO_HOME, $XDG_CONFIG_HOME and the home directory, and whether the executable's
// directory is writable. Relative XDG values are ignored, as the XDG rules ask.
QString ChooseSettingsDir(const QString& palavoHome, const QString& exeDir, bool exeDirWritable,
                          const QString& xdgConfigHome, const QString& home);

// The conversation history's file: "Palavo_history.db" beside "Palavo.ini" when
// $PALAVO_HOME names the settings directory, else in the user's data directory
// ($XDG_DATA_HOME/palavo, ~/.local/share/palavo), created on first use.
QString HistoryFile();

// The first IPv4 address of an interface that is up and not loopback, dotted;
// "127.0.0.1" when there is none.
QString LocalIPv4Address();

} // namespace HostInfo
