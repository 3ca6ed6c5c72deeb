#pragma once

#include <QImage>
#include <QRect>
#include <QString>

class QWidget;

// What the screenshot tests share: they run on a real X display (each case under
// xvfb-run, see palavo_add_screen_gtests) and keep their pictures among the build's
// artifacts for a person to look at.

// Why the test cannot take pictures here (not on an X display), or empty when it can.
QString XDisplayMissing();
// Distinct colours of `image`, counting no further than `enough`.
int Colours(const QImage& image, int enough);
// What the display shows of the window, not what the widget would paint now.
QImage OnScreen(QWidget& window);
// What the display shows of `area` (screen coordinates), whatever window is there.
QImage OnScreen(QWidget& window, const QRect& area);
// Saves `shot` as `name` in the build's artifacts and prints the path; the path, or
// empty on failure.
QString SaveArtifact(const QImage& shot, const QString& name);
