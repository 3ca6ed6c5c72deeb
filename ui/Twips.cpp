#include "Twips.h"

#include <QWidget>

#include <cmath>

double TwipsPerPixel(const QWidget* widget)
{
    const int dpi = widget != nullptr ? widget->logicalDpiX() : 96;
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

int TwipsToPixels(const QWidget* widget, double twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel(widget)));
}

int PixelsToTwips(const QWidget* widget, int pixels)
{
    return static_cast<int>(std::lround(pixels * TwipsPerPixel(widget)));
}
