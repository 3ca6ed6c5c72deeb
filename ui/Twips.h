#pragma once

class QWidget;

// The control was designed in twips (1/1440 inch). These convert with the screen's
// logical resolution: 15 twips a pixel at 96 dots per inch.
double TwipsPerPixel(const QWidget* widget);
int TwipsToPixels(const QWidget* widget, double twips);
int PixelsToTwips(const QWidget* widget, int pixels);
