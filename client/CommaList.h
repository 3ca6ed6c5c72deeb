#pragma once

#include <QString>
#include <QStringList>

// Groups, broadcast addresses and the memo/whereabouts list are stored as comma lists.
//
// Parsing trims ASCII blanks around each item (a full-width space belongs to the name)
// and skips blank items, but an empty field - a leading comma or two commas in a row -
// ends the list: what follows it is not read. At most CommaListLimit items are taken.
// Joining puts "," between items, with no trailing comma.
constexpr int CommaListLimit = 32767;

QStringList ParseCommaList(const QString& text);
QString JoinCommaList(const QStringList& items);

// How the list dialogs split a stored list into their entries: every comma separates,
// items are not trimmed, and an empty item between two commas stays an (empty) entry.
// A one-character list is an entry like any other (the settings object keeps it, so the
// dialog must show it, or its OK would erase it). Not for the settings object, which
// parses with ParseCommaList.
QStringList SplitStoredList(const QString& text);
