#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include <vector>

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

// The controls `window` shows that are of one of the classes `Kinds` (what a user reads
// or clicks: labels, buttons, boxes).
template <class... Kinds> std::vector<QWidget*> ShownControls(QWidget& window)
{
    std::vector<QWidget*> controls;
    for (QWidget* child : window.findChildren<QWidget*>())
        if (((qobject_cast<Kinds*>(child) != nullptr) || ...) && child->isVisible())
            controls.push_back(child);
    return controls;
}

// A test failure for each of `controls` that sticks out of `window` or lies on another
// (a control and the one it sits in do not count); `context` ends each message.
void ExpectInsideAndApart(QWidget& window, const std::vector<QWidget*>& controls,
                          const QString& context = {});
