#include "ProductIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace
{

// One balloon: a rounded body with a tail at its lower left, in a unit square that
// `painter` has scaled.
QPainterPath Balloon(const QRectF& body, bool tailLeft)
{
    QPainterPath path;
    path.addRoundedRect(body, body.height() * 0.35, body.height() * 0.35);
    const qreal baseX =
        tailLeft ? body.left() + body.width() * 0.22 : body.right() - body.width() * 0.22;
    const qreal tipX =
        tailLeft ? body.left() + body.width() * 0.05 : body.right() - body.width() * 0.05;
    QPainterPath tail;
    tail.moveTo(baseX - body.width() * 0.08, body.bottom() - 1.0);
    tail.lineTo(tipX, body.bottom() + body.height() * 0.32);
    tail.lineTo(baseX + body.width() * 0.10, body.bottom() - 1.0);
    tail.closeSubpath();
    return path.united(tail);
}

} // namespace

QImage PaintProductIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 100.0, size / 100.0);
    const qreal outline = size < 24 ? 6.0 : 3.0;

    // The partner's balloon behind, on the right.
    painter.setPen(QPen(QColor(0x1f, 0x5f, 0x2f), outline));
    painter.setBrush(QColor(0x6c, 0xc6, 0x5a));
    painter.drawPath(Balloon(QRectF(38, 8, 56, 40), false));

    // The user's balloon in front, on the left.
    painter.setPen(QPen(QColor(0x12, 0x3a, 0x7a), outline));
    QLinearGradient fill(0, 34, 0, 84);
    fill.setColorAt(0, QColor(0x6f, 0xa8, 0xf0));
    fill.setColorAt(1, QColor(0x25, 0x62, 0xc4));
    painter.setBrush(fill);
    painter.drawPath(Balloon(QRectF(6, 34, 66, 46), true));

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int dot = 0; dot < 3; ++dot)
        painter.drawEllipse(QPointF(22 + dot * 17, 57), 5.5, 5.5);
    return image;
}

QIcon ProductIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(PaintProductIcon(size)));
    return icon;
}
