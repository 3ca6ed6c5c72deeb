#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The wire, the engine's records and the peers' texts are in code page 932
// (Shift-JIS with Microsoft's extensions). Conversion goes through glibc iconv.
namespace Cp932
{

// Characters that code page 932 cannot hold become '?'; nothing else is lost.
QByteArray FromUnicode(QStringView text);

// Bytes that are not valid code page 932 become U+FFFD, one per bad byte.
QString ToUnicode(QByteArrayView bytes);

// First byte of a double-byte character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The longest prefix of at most `limit` bytes that ends on a character boundary:
// a double-byte character that would straddle the limit is left out whole.
qsizetype CutLength(QByteArrayView bytes, qsizetype limit);

inline QByteArray Cut(QByteArrayView bytes, qsizetype limit)
{
    return bytes.first(CutLength(bytes, limit)).toByteArray();
}

} // namespace Cp932
