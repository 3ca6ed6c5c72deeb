#include "DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The platform's rule: the mean width of the 52 Latin letters, rounded, and the
    // font's height.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (letters / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const
{
    return {x * m_baseX / 4, y * m_baseY / 8, width * m_baseX / 4, height * m_baseY / 8};
}

QSize DialogUnits::Size(int width, int height) const
{
    return {width * m_baseX / 4, height * m_baseY / 8};
}

QFont TransferDialogFont()
{
    const QStringList wanted = {
        QStringLiteral("HGP創英角ﾎﾟｯﾌﾟ体"), QStringLiteral("Noto Sans CJK JP"),
        QStringLiteral("Noto Sans JP"),     QStringLiteral("IPAPGothic"),
        QStringLiteral("IPAGothic"),        QStringLiteral("VL PGothic"),
        QStringLiteral("TakaoPGothic"),
    };
    const QStringList families = QFontDatabase::families();
    for (const QString& family : wanted) {
        if (families.contains(family))
            return QFont(family, 10);
    }
    QFont font;
    font.setPointSize(10);
    return font;
}
