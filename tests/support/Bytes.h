#pragma once

#include <QByteArray>

#include <cstddef>

// The whole literal as bytes, embedded NULs included (the terminating NUL left out).
template <std::size_t N> QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, static_cast<qsizetype>(N - 1));
}
