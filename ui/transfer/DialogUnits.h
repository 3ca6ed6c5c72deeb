#pragma once

#include <QFont>
#include <QRect>

// Places controls the way the transfer windows were laid out: in dialog units, a
// quarter of the font's average character width across and an eighth of its height
// down, so the layout scales with the font as it did on the original platform.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont& font);

    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// The windows' font: "HGP創英角ﾎﾟｯﾌﾟ体" at 10 points where the machine has it, else a
// Japanese font that it has, else the default font at 10 points.
QFont TransferDialogFont();
