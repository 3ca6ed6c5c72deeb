#pragma once

#include <QString>

// "ログイン時に起動する": the desktop's autostart entry for this program, the file
// palavo-xp.desktop in the XDG autostart folder. Whether the option is on is read from
// that file alone, so the settings file needs no key of its own for it.
class XdgAutostart
{
public:
    // `dir`: the autostart folder (DefaultDir() for the program). `program`: the
    // absolute path of the executable the entry starts. `home`: the settings directory
    // given explicitly (--home or PALAVO_HOME), passed on as --home; empty for the usual place.
    XdgAutostart(QString dir, QString program, QString home);

    // $XDG_CONFIG_HOME/autostart when that is an absolute path, else ~/.config/autostart.
    static QString DefaultDir();

    QString EntryPath() const;
    // The entry is there, was written by this program and starts this program with
    // this settings directory.
    bool Enabled() const;
    // Writes the entry (replacing whatever has the name) or removes it (only one this
    // program wrote). Empty on success, else what went wrong, for the user to read.
    QString SetEnabled(bool on) const;

private:
    // The Exec line, or empty when the paths cannot be written into a desktop entry.
    QString ExecLine() const;

    QString m_dir;
    QString m_program;
    QString m_home;
};
