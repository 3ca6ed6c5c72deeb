#include "Screen.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QWidget>

#include <gtest/gtest.h>

#include <iostream>

QString XDisplayMissing()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return {};
    return QStringLiteral("needs an X display: run under xvfb-run with QT_QPA_PLATFORM=xcb "
                          "(ctest runs every screenshot case so)");
}

int Colours(const QImage& image, int enough)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> seen;
    for (int y = 0; y < rgb.height() && seen.size() < enough; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width() && seen.size() < enough; ++x)
            seen.insert(line[x]);
    }
    return static_cast<int>(seen.size());
}

QImage OnScreen(QWidget& window)
{
    return window.screen()->grabWindow(window.winId()).toImage();
}

QImage OnScreen(QWidget& window, const QRect& area)
{
    return window.screen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage();
}

QString SaveArtifact(const QImage& shot, const QString& name)
{
    const QString dir = QStringLiteral(PALAVO_ARTIFACT_DIR);
    const QString path = dir + QLatin1Char('/') + name;
    if (shot.isNull() || !QDir().mkpath(dir) || !shot.save(path, "PNG"))
        return {};
    std::cout << "[ artifact ] " << path.toStdString() << std::endl;
    return path;
}

void ExpectInsideAndApart(QWidget& window, const std::vector<QWidget*>& controls,
                          const QString& context)
{
    for (QWidget* widget : controls) {
        const std::string what = (widget->objectName() + QLatin1Char(' ') + context).toStdString();
        const QRect area(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(window.rect().contains(area)) << what;
        for (QWidget* other : controls) {
            if (other == widget || other->isAncestorOf(widget) || widget->isAncestorOf(other))
                continue;
            const QRect second(other->mapTo(&window, QPoint(0, 0)), other->size());
            EXPECT_FALSE(area.intersects(second))
                << what << " overlaps " << other->objectName().toStdString();
        }
    }
}
