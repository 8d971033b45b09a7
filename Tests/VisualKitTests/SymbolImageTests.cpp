#include "VisualKit/SymbolImage.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using velkora::SymbolImage;

namespace {

// Every symbol name the application's views name.
const QStringList namesInUse = {
    "app.fill", "arrow.clockwise", "arrow.clockwise.circle", "arrow.down.circle.fill", "arrow.down.to.line.compact",
    "arrow.right", "arrow.triangle.2.circle.circle", "arrow.triangle.2.circlepath", "arrow.up",
    "arrow.up.circle.fill", "arrow.up.forward.app", "arrow.up.left.and.arrow.down.right", "battery.0percent",
    "battery.25percent", "battery.50percent", "battery.75percent", "battery.100percent", "battery.100percent.bolt",
    "bolt.badge.clock", "bolt.circle", "bolt.fill", "bolt.slash", "calendar.badge.clock", "calendar.badge.plus",
    "checklist", "checkmark.circle.fill", "checkmark.shield", "checkmark.shield.fill", "circle.lefthalf.filled",
    "clock", "clock.arrow.circlepath", "cube", "desktopcomputer", "dock.rectangle", "drop", "ellipsis",
    "exclamationmark.triangle.fill", "eye", "flag.checkered", "flame", "flame.fill", "folder.badge.plus",
    "gauge.with.dots.needle.67percent", "hand.draw", "heart.fill", "info.circle", "laptopcomputer", "leaf",
    "leaf.fill", "light.beacon.max", "list.bullet.rectangle", "lock.shield",
    "lock.trianglebadge.exclamationmark.fill", "menubar.rectangle", "moon.fill", "moon.zzz", "paperplane.fill",
    "pause.circle", "pause.rectangle", "percent", "person.2", "person.crop.circle.badge.clock", "plus", "power",
    "powerplug.fill", "powersleep", "questionmark.circle", "rectangle.3.group", "rectangle.and.pencil.and.ellipsis",
    "rectangle.inset.filled.and.person.filled", "slider.horizontal.3", "square.3.layers.3d", "square.grid.2x2",
    "switch.2", "thermometer.high", "thermometer.medium", "trash", "waveform.path.ecg",
    "waveform.path.ecg.rectangle", "xmark", "xmark.circle.fill",
};

// The bounds of the pixels that are not transparent.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 40) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

}  // namespace

TEST(SymbolImage, EveryNameTheViewsUseIsDrawnWithOneGlyphOfTheIconFont)
{
    for (const QString& name : namesInUse) {
        EXPECT_TRUE(SymbolImage::knows(name)) << name.toStdString();
        EXPECT_TRUE(SymbolImage::drawsGlyph(name)) << name.toStdString();
    }
    for (const QString& name : SymbolImage::knownNames()) {
        EXPECT_TRUE(SymbolImage::drawsGlyph(name)) << name.toStdString();
    }
}

TEST(SymbolImage, ASymbolIsTintedAndSizedForItsTextAndHeavierWeightsDrawMoreInk)
{
    const QColor tint = QColor::fromRgbF(0.27f, 0.85f, 0.60f);
    const QImage regular = SymbolImage::pixmap("bolt.fill", 17, QFont::Normal, tint).toImage();
    EXPECT_EQ(regular.size(), QSize(qCeil(SymbolImage::side(17)), qCeil(SymbolImage::side(17))));
    int ink = 0;
    for (int y = 0; y < regular.height(); ++y) {
        for (int x = 0; x < regular.width(); ++x) {
            const QColor pixel = regular.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                EXPECT_EQ(pixel.rgb(), tint.rgb());
                ++ink;
            }
        }
    }
    EXPECT_GT(ink, 20);
    const QImage largeRegular = SymbolImage::pixmap("bolt.fill", 60, QFont::Normal, tint).toImage();
    const QImage largeBold = SymbolImage::pixmap("bolt.fill", 60, QFont::Bold, tint).toImage();
    EXPECT_GT(inkBounds(largeBold).width(), inkBounds(largeRegular).width());
    // Twice the text size, about twice the symbol.
    const QRect larger = inkBounds(SymbolImage::pixmap("bolt.fill", 34, QFont::Normal, tint).toImage());
    EXPECT_NEAR(larger.height(), 2 * inkBounds(regular).height(), 2);
}

TEST(SymbolImage, BatteriesLieOnTheirSide)
{
    const QRect battery = inkBounds(SymbolImage::pixmap("battery.100percent", 20, QFont::Normal, Qt::black).toImage());
    EXPECT_GT(battery.width(), battery.height());
}

TEST(SymbolImage, AnUnknownNameDrawsNothing)
{
    EXPECT_FALSE(SymbolImage::knows("sparkles.rectangle.stack"));
    const QImage image = SymbolImage::pixmap("sparkles.rectangle.stack", 17, QFont::Normal, Qt::black).toImage();
    EXPECT_TRUE(inkBounds(image).isNull());
}
