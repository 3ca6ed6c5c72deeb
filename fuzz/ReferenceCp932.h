#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <iconv.h>

// The code page as the references see it, asked of glibc's iconv directly rather than
// through the product's helpers (platform/Cp932), so that a fault there shows as a
// difference instead of being shared by product and reference.
namespace RefCp932
{

// A lead byte is one that iconv, given it alone, finds incomplete: it waits for a second.
inline bool IsLeadByte(unsigned char c)
{
    static const std::array<bool, 256> leads = [] {
        std::array<bool, 256> table{};
        const iconv_t cd = iconv_open("UTF-32LE", "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1))
            std::abort(); // no reference without the converter
        for (int byte = 0; byte < 256; ++byte) {
            char in = static_cast<char>(byte);
            char out[16];
            char* inPtr = &in;
            char* outPtr = out;
            size_t inLeft = 1;
            size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            table[static_cast<size_t>(byte)] =
                iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) &&
                errno == EINVAL;
        }
        iconv_close(cd);
        return table;
    }();
    return leads[c];
}

// The longest prefix of at most `limit` bytes that does not split a double-byte character.
// A text that fits is kept whole, even one ending in a lone lead byte, as a copy into a
// buffer of that size would keep it.
inline qsizetype CutLength(QByteArrayView bytes, qsizetype limit)
{
    if (bytes.size() <= limit)
        return bytes.size();
    qsizetype at = 0;
    while (at < bytes.size()) {
        const qsizetype next = at + (IsLeadByte(static_cast<unsigned char>(bytes[at])) ? 2 : 1);
        if (next > limit)
            break;
        at = next;
    }
    return at;
}

inline QByteArray Cut(QByteArrayView bytes, qsizetype limit)
{
    return bytes.first(CutLength(bytes, limit)).toByteArray();
}

} // namespace RefCp932
