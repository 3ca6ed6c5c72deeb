#pragma once

#include "XpLanTest.h"

#include "support/Screen.h"

#include <QFontDatabase>

#include <gtest/gtest.h>

// The window on the virtual LAN, pictured on a real X display (Xvfb) with Japanese glyphs.
class XpScreenshot : public XpLanTest
{
protected:
    void SetUp() override
    {
        if (const QString missing = XDisplayMissing(); !missing.isEmpty())
            GTEST_SKIP() << missing.toStdString();
        ASSERT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty())
            << "no font with Japanese glyphs (install fonts-noto-cjk)";
        XpLanTest::SetUp();
    }
};
