#include "FileTransferCommands.h"

#include <QList>

#include <limits>

namespace FileTransferCommands
{

QByteArray OfferText(QByteArrayView sender, int32_t portNo, QByteArrayView fileName,
                     int32_t fileSize, QByteArrayView comment)
{
    return XmlElement("Command", "FileTransfer") + XmlElement("Sender", sender) +
           XmlElement("PortNo", portNo) + XmlElement("FileName", fileName) +
           XmlElement("FileSize", fileSize) + XmlElement("Comment", comment);
}

QByteArray StopText()
{
    return XmlElement("Command", "StopFileTrans");
}

QByteArray RejectText()
{
    return XmlElement("Command", "RejectFileTrans");
}

Offer ReadOffer(const XmlElementList& elements)
{
    Offer offer;
    offer.FileName = elements.Value("FileName");
    offer.Sender = elements.Value("Sender");
    offer.Comment = elements.Value("Comment");
    offer.PortNo = DecimalValue(elements.Value("PortNo"));
    offer.FileSize = DecimalValue(elements.Value("FileSize"));
    return offer;
}

int32_t DecimalValue(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

QString PlainFileName(const QString& offered)
{
    // Both separators count: the name may come from a system that uses either.
    const qsizetype cut =
        std::max(offered.lastIndexOf(QLatin1Char('/')), offered.lastIndexOf(QLatin1Char('\\')));
    // By code point, so that format characters outside the first plane (the tag
    // characters) are seen whole. Format characters (Cf) go with the control characters:
    // the direction overrides among them make "invoice\u202Efdp.exe" look like
    // "invoiceexe.pdf".
    QString name;
    for (const uint code : QStringView(offered).sliced(cut + 1).toUcs4()) {
        const auto c = static_cast<char32_t>(code);
        const QChar::Category category = QChar::category(c);
        if (category != QChar::Other_Control && category != QChar::Other_Format)
            name += QString::fromUcs4(&c, 1);
    }
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("file");
    return name;
}

ProgressDisplay MakeProgressDisplay(int64_t done, int64_t total)
{
    // In 64 bits, so the percentage stays right for every 32-bit size; a total of 0 (an
    // empty file) counts as complete rather than dividing by zero.
    const int64_t percent = total > 0 ? done * 100 / total : 100;
    ProgressDisplay display;
    if (total <= 4096) {
        display.Maximum = static_cast<int>(std::max<int64_t>(total, 0));
        display.Value = static_cast<int>(done);
    } else {
        display.Maximum = 100;
        display.Value = static_cast<int>(percent);
    }
    display.Text = QStringLiteral("%1バイト中、%2バイト受信 (%3％)")
                       .arg(total)
                       .arg(done)
                       .arg(percent, 2, 10, QLatin1Char('0'));
    return display;
}

} // namespace FileTransferCommands
