#pragma once

#include <QString>

#include <ostream>

// Failure messages show texts, Japanese included, instead of their bytes. GoogleTest finds
// this by argument-dependent lookup, so every test that compares QStrings includes it.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
