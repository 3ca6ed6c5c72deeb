#pragma once

#include <QString>
#include <QStringView>

// An initialisation file ("Palavo.ini") read and written with the semantics the
// product was written against: sections and keys match without regard to case,
// values are trimmed, a missing file, section or key gives the default, and writing
// one key keeps every other line of the file, comments included, as it was.
//
// The file is read again on every call, so two objects (or two processes) looking at
// the same path always agree. Files are written in UTF-8; a file that is not valid
// UTF-8 is read as code page 932.
class ProfileFile
{
public:
    explicit ProfileFile(QString path);

    const QString& Path() const { return m_path; }

    QString ReadString(QStringView section, QStringView key, QStringView defaultValue = {}) const;

    // Leading decimal digits of the value (an optional sign first); the default when
    // the key is missing, 0 when the value does not start with a number.
    int ReadInt(QStringView section, QStringView key, int defaultValue) const;

    // Creates the file and the section as needed. False when the file cannot be written.
    bool WriteString(QStringView section, QStringView key, QStringView value);

private:
    QString m_path;
};
