// The drawn menu-bar images, checked pixel by pixel at known points, and the
// watts text inside the badge.

#include "MenuBar/MenuBarBatteryImage.h"
#include "MenuBar/MenuBarPowerText.h"
#include "MenuBar/StatusPowerImage.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace velkora::test {

namespace {

constexpr qreal scale = 10;

// The pixel at (x, y) points of an image drawn with y up from the bottom.
QColor pixelAt(const QImage& image, const MenuBarImage& source, double x, double y)
{
    const int column = static_cast<int>(std::floor(x * scale));
    // The top edge (y = height) is the first row; y = 0 the last.
    const int row = std::min(static_cast<int>(std::floor((source.size().height() - y) * scale)), image.height() - 1);
    return image.pixelColor(column, row);
}

bool inked(const QImage& image, const MenuBarImage& source, double x, double y)
{
    return pixelAt(image, source, x, y).alpha() > 200;
}

bool clear(const QImage& image, const MenuBarImage& source, double x, double y)
{
    return pixelAt(image, source, x, y).alpha() < 40;
}

// Whether any pixel of the rectangle (points, y up) carries ink.
bool anyInk(const QImage& image, const MenuBarImage& source, const QRectF& area)
{
    for (double x = area.left(); x < area.right(); x += 1 / scale) {
        for (double y = area.top(); y < area.bottom(); y += 1 / scale) {
            if (pixelAt(image, source, x, y).alpha() > 100) {
                return true;
            }
        }
    }
    return false;
}

const QColor green(69, 217, 153);

}  // namespace

TEST(MenuBarPowerTextTest, RoundsToOneDecimalBelowAHundredAndShowsADashOutsideTheRange)
{
    EXPECT_EQ(MenuBarPowerText::value(std::nullopt), QStringLiteral("—"));
    EXPECT_EQ(MenuBarPowerText::value(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("—"));
    EXPECT_EQ(MenuBarPowerText::value(std::numeric_limits<double>::infinity()), QStringLiteral("—"));
    EXPECT_EQ(MenuBarPowerText::value(0.05), QStringLiteral("—"));
    EXPECT_EQ(MenuBarPowerText::value(-3), QStringLiteral("—"));
    EXPECT_EQ(MenuBarPowerText::value(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(MenuBarPowerText::value(12.34), QStringLiteral("12.3"));
    EXPECT_EQ(MenuBarPowerText::value(12.35), QStringLiteral("12.4"));
    EXPECT_EQ(MenuBarPowerText::value(99.94), QStringLiteral("99.9"));
    // The rounded value reaches 100: the raw value is printed without decimals.
    EXPECT_EQ(MenuBarPowerText::value(99.96), QStringLiteral("100"));
    EXPECT_EQ(MenuBarPowerText::value(512.3), QStringLiteral("512"));
    EXPECT_EQ(MenuBarPowerText::value(999.4), QStringLiteral("999"));
    EXPECT_EQ(MenuBarPowerText::value(999.5), QStringLiteral("1k"));
    EXPECT_EQ(MenuBarPowerText::value(999.7), QStringLiteral("1k"));
    EXPECT_EQ(MenuBarPowerText::value(1000), QStringLiteral("—"));
}

TEST(MenuBarBatteryImageTest, IsTwentyFiveByFourteenPointsWithItsTemplateFlag)
{
    const MenuBarImage image = MenuBarBatteryImage::make(50, false, green, true);
    EXPECT_EQ(image.size(), QSizeF(25, 14));
    EXPECT_TRUE(image.isTemplate());
    EXPECT_FALSE(MenuBarBatteryImage::make(50, false, green, false).isTemplate());
    const QImage drawn = image.render(2);
    EXPECT_EQ(drawn.size(), QSize(50, 28));
    EXPECT_EQ(drawn.devicePixelRatio(), 2);
}

TEST(MenuBarBatteryImageTest, TheFillGrowsFromTheLeftWithThePercentageClampedToTheWell)
{
    // The well spans x 3 to 20; the middle line is y 7.
    struct Case {
        int percentage;
        double lastInked;  // a point inside the fill, or < 0 for none
        double firstClear;
    };
    for (const Case& c : {Case{0, -1, 3.05}, Case{-20, -1, 3.05}, Case{1, 3.05, 3.5}, Case{50, 11.2, 11.9},
                          Case{100, 19.8, 21}, Case{140, 19.8, 21}}) {
        const MenuBarImage source = MenuBarBatteryImage::make(c.percentage, false, green, false);
        const QImage image = source.render(scale);
        if (c.lastInked >= 0) {
            EXPECT_TRUE(inked(image, source, 3.05, 7)) << c.percentage;
            EXPECT_TRUE(inked(image, source, c.lastInked, 7)) << c.percentage;
            if (c.percentage >= 50) {
                EXPECT_EQ(pixelAt(image, source, c.lastInked, 7).rgb(), green.rgb()) << c.percentage;
            }
        }
        EXPECT_TRUE(clear(image, source, c.firstClear, 7)) << c.percentage;
        // The outline and the nub are there whatever the level.
        EXPECT_TRUE(inked(image, source, 1.0, 7)) << c.percentage;
        EXPECT_TRUE(inked(image, source, 12, 1.75)) << c.percentage;
        EXPECT_TRUE(inked(image, source, 24, 7)) << c.percentage;
        EXPECT_TRUE(clear(image, source, 12, 0.5)) << c.percentage;
    }
}

TEST(MenuBarBatteryImageTest, TheBoltIsCutIntoTheFillWithAClearHalo)
{
    const MenuBarImage withBolt = MenuBarBatteryImage::make(100, true, green, false);
    const MenuBarImage without = MenuBarBatteryImage::make(100, false, green, false);
    const QImage bolt = withBolt.render(scale);
    const QImage plain = without.render(scale);
    // Inside the bolt: ink either way.
    EXPECT_TRUE(inked(bolt, withBolt, 11, 7));
    EXPECT_TRUE(inked(plain, without, 11, 7));
    // Just beside its edge the halo clears the fill.
    EXPECT_TRUE(clear(bolt, withBolt, 8.2, 7));
    EXPECT_TRUE(inked(plain, without, 8.2, 7));
    // The bolt reaches above the well, over the body's empty inside.
    EXPECT_TRUE(inked(bolt, withBolt, 12.2, 11.2));
    EXPECT_TRUE(clear(plain, without, 12.2, 11.2));
    // On an empty battery the bolt alone shows.
    const MenuBarImage emptyBolt = MenuBarBatteryImage::make(0, true, green, false);
    const QImage empty = emptyBolt.render(scale);
    EXPECT_TRUE(inked(empty, emptyBolt, 11, 7));
    EXPECT_TRUE(clear(empty, emptyBolt, 5, 7));
}

TEST(MenuBarBatteryImageTest, ATemplateTakesTheTintOfTheBarAndKeepsItsShape)
{
    const MenuBarImage source = MenuBarBatteryImage::make(50, true, Qt::black, true);
    const QImage white = source.render(scale, Qt::white);
    EXPECT_EQ(pixelAt(white, source, 5, 7).rgb(), QColor(Qt::white).rgb());
    EXPECT_TRUE(clear(white, source, 15, 7));
    const QImage red = source.render(scale, Qt::red);
    EXPECT_EQ(pixelAt(red, source, 5, 7).rgb(), QColor(Qt::red).rgb());
    // An image in colour ignores the tint.
    const MenuBarImage colored = MenuBarBatteryImage::make(50, false, green, false);
    EXPECT_EQ(pixelAt(colored.render(scale, Qt::white), colored, 5, 7).rgb(), green.rgb());
}

TEST(StatusPowerImageTest, ABatteryBadgeShowsTheGlyphAtItsLevelBesideTheWatts)
{
    const MenuBarImage source = StatusPowerImage::make(7.46, 50, green, false);
    EXPECT_EQ(source.size(), QSizeF(82, 18));
    const QImage image = source.render(scale);
    // The glyph stands 2 points up: its fill at y 9, to x 11.5 for 50 %.
    EXPECT_TRUE(inked(image, source, 10.5, 9));
    EXPECT_TRUE(clear(image, source, 13, 9));
    EXPECT_TRUE(inked(image, source, 15.5, 3.75));
    // No plug, no bolt.
    EXPECT_TRUE(clear(image, source, 11.3, 16.5));
    EXPECT_TRUE(anyInk(image, source, QRectF(31, 1, 50, 16)));
    EXPECT_FALSE(anyInk(image, source, QRectF(26, 0, 4.5, 18)));
}

TEST(StatusPowerImageTest, ADesktopBadgeClearsAGapInAnEmptyGlyphForThePlug)
{
    const MenuBarImage source = StatusPowerImage::make(31.2, std::nullopt, Qt::black, true);
    EXPECT_TRUE(source.isTemplate());
    const QImage image = source.render(scale, Qt::white);
    // The plug's stem, body and prongs.
    EXPECT_TRUE(inked(image, source, 12.9, 3));
    EXPECT_TRUE(inked(image, source, 13, 11.5));
    EXPECT_TRUE(inked(image, source, 11.3, 16.5));
    EXPECT_TRUE(inked(image, source, 15.4, 16.5));
    EXPECT_FALSE(inked(image, source, 13.3, 16.5));
    // The gap around it cuts the outline; the rest of the outline stays.
    EXPECT_TRUE(clear(image, source, 15.5, 3.75));
    EXPECT_TRUE(inked(image, source, 4, 3.75));
    // Empty: nothing in the well left of the gap.
    EXPECT_TRUE(clear(image, source, 5, 9));
    EXPECT_EQ(pixelAt(image, source, 12.9, 3).rgb(), QColor(Qt::white).rgb());
    EXPECT_TRUE(anyInk(image, source, QRectF(31, 1, 50, 16)));
}

}  // namespace velkora::test
