#include "MemberIcons.h"

#include <QPainter>
#include <QPixmap>

namespace MemberIcons
{

QImage PaintMemberIcon(int index, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index != Present && index != Absent)
        return image;

    const bool present = index == Present;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    const QColor body = present ? QColor(0x2e, 0xa0, 0x43) : QColor(0x9a, 0x9a, 0x9a);
    const QColor edge = present ? QColor(0x1a, 0x5e, 0x28) : QColor(0x5c, 0x5c, 0x5c);
    painter.setPen(QPen(edge, 1.5));
    painter.setBrush(body);
    painter.drawEllipse(QRectF(10, 3, 12, 12));           // head
    painter.drawRoundedRect(QRectF(5, 16, 22, 14), 7, 7); // shoulders

    if (!present) {
        // The "away" badge: a red disc with a white bar, at the lower right.
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(QColor(0xd0, 0x2a, 0x2a));
        painter.drawEllipse(QRectF(18, 18, 13, 13));
        painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(21.5, 24.5), QPointF(27.5, 24.5));
    }
    return image;
}

const QIcon& Icon(int index)
{
    static const QIcon none;
    static const QIcon icons[2] = {
        [] {
            QIcon icon;
            icon.addPixmap(QPixmap::fromImage(PaintMemberIcon(Present, LargeSize)));
            icon.addPixmap(QPixmap::fromImage(PaintMemberIcon(Present, SmallSize)));
            return icon;
        }(),
        [] {
            QIcon icon;
            icon.addPixmap(QPixmap::fromImage(PaintMemberIcon(Absent, LargeSize)));
            icon.addPixmap(QPixmap::fromImage(PaintMemberIcon(Absent, SmallSize)));
            return icon;
        }(),
    };
    if (index != Present && index != Absent)
        return none;
    return icons[index - 1];
}

} // namespace MemberIcons
