#include "TrayIcons.h"

#include "host/ProductIcon.h"
#include "ui/MemberIcons.h"

#include <QPainter>
#include <QPixmap>

namespace
{

constexpr int Sizes[] = {16, 22, 24, 32, 48, 64};

QIcon WithPresence(int memberIcon)
{
    QIcon icon;
    for (int size : Sizes) {
        QImage image = PaintProductIcon(size);
        QPainter painter(&image);
        // Large enough to tell the two apart at 16 pixels.
        const int badge = size * 5 / 8;
        painter.drawImage(QRect(size - badge, size - badge, badge, badge),
                          MemberIcons::PaintMemberIcon(memberIcon, badge));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon Greyed()
{
    const QIcon product = ProductIcon();
    QIcon icon;
    for (int size : Sizes)
        icon.addPixmap(product.pixmap(size, QIcon::Disabled));
    return icon;
}

} // namespace

QtTrayService::Icons PaintTrayIcons()
{
    return {WithPresence(MemberIcons::Present), WithPresence(MemberIcons::Absent), Greyed()};
}
