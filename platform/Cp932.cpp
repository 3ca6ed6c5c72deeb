#include "Cp932.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace
{

// iconv descriptors carry conversion state, so each thread keeps its own pair and
// the cost of iconv_open is paid once per thread instead of once per packet.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool IsValid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts in place of the whole input. `onInvalid` is called with the number of
    // input bytes that could not be converted at that point; it returns how many of
    // them to skip and appends its own replacement to the output.
    template <typename OnInvalid>
    void Convert(const char* in, size_t inLeft, QByteArray& out, OnInvalid onInvalid)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        char buffer[1024];
        while (inLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, &src, &inLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc != static_cast<size_t>(-1))
                break;
            if (errno == E2BIG)
                continue;
            // EILSEQ (no mapping, or a malformed sequence) or EINVAL (cut off at the end).
            const size_t skip = onInvalid(src, inLeft, out);
            src += skip;
            inLeft -= skip;
        }
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with this byte (1 for stray bytes).
size_t Utf8SequenceLength(unsigned char c)
{
    if (c >= 0xF0)
        return 4;
    if (c >= 0xE0)
        return 3;
    if (c >= 0xC0)
        return 2;
    return 1;
}

} // namespace

namespace Cp932
{

QByteArray FromUnicode(QStringView text)
{
    // Code page 932 holds ASCII as it is, and most of what goes on the wire (addresses,
    // host and user names, commands) is nothing else: no converter for that.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    thread_local Converter toCp932("CP932", "UTF-8");
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    if (!toCp932.IsValid()) {
        // Without the converter only ASCII can be trusted to survive.
        for (const char c : utf8)
            out.append(static_cast<unsigned char>(c) < 0x80 ? c : '?');
        return out;
    }
    toCp932.Convert(utf8.constData(), utf8.size(), out,
                    [](const char* at, size_t left, QByteArray& o) {
                        o.append('?');
                        return std::min(left, Utf8SequenceLength(static_cast<unsigned char>(*at)));
                    });
    return out;
}

QString ToUnicode(QByteArrayView bytes)
{
    // ASCII as it is (see FromUnicode): a member's eight texts are converted with every
    // report of it, thousands of them when a whole LAN answers.
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    thread_local Converter fromCp932("UTF-8", "CP932");
    if (!fromCp932.IsValid())
        return QString::fromLatin1(bytes);
    QByteArray utf8;
    utf8.reserve(bytes.size() * 3 / 2);
    fromCp932.Convert(bytes.data(), bytes.size(), utf8, [](const char*, size_t, QByteArray& o) {
        o.append("\xEF\xBF\xBD");
        return size_t{1};
    });
    return QString::fromUtf8(utf8);
}

qsizetype CutLength(QByteArrayView bytes, qsizetype limit)
{
    if (limit <= 0)
        return 0;
    if (bytes.size() <= limit)
        return bytes.size();
    qsizetype i = 0;
    for (;;) {
        const qsizetype step = IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + step > limit)
            return i;
        i += step;
    }
}

} // namespace Cp932
