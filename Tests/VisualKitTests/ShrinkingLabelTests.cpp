#include "VisualKit/ShrinkingLabel.h"
#include "VisualKit/VelkoraFont.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

// A two-line label at most 0.85 smaller, shown `width` wide.
class ShrinkingLabelTest : public testing::Test {
protected:
    void show(const QString& text, int width)
    {
        label.setText(text);
        label.resize(width, label.sizeHint().height());
    }

    // The darkest column drawn from the left: how far the text reaches.
    int inkedWidth()
    {
        QImage image(label.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        label.render(&image);
        int reach = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(image.pixel(x, y)) > 0) {
                    reach = std::max(reach, x + 1);
                }
            }
        }
        return reach;
    }

    const QFont font = VelkoraFont::system(10, QFont::Medium);
    ShrinkingLabel label{QString(), font, ForegroundStyle::secondary, 2, 0.85};
    const qreal lineSpacing = QFontMetricsF(font).lineSpacing();
};

TEST_F(ShrinkingLabelTest, AShortTextStaysAtFullSize)
{
    show(QStringLiteral("Coral · amber · mint"), 200);
    EXPECT_DOUBLE_EQ(label.shownScale(), 1.0);
    EXPECT_FALSE(label.isTruncated());
}

TEST_F(ShrinkingLabelTest, ATextJustOverTwoLinesShrinksNoFurtherThanItMustAndIsNotCut)
{
    const QString text = QStringLiteral("Magenta gold blue teal violet amber");
    const qreal oneLine = QFontMetricsF(font).horizontalAdvance(text);
    // Just under half its length: two lines at full size are not quite enough.
    show(text, static_cast<int>(oneLine / 2.1));
    ASSERT_LT(label.shownScale(), 1.0);
    EXPECT_GE(label.shownScale(), 0.85);
    EXPECT_FALSE(label.isTruncated());
    EXPECT_LE(inkedWidth(), label.width()) << "nothing drawn past the edge";
}

TEST_F(ShrinkingLabelTest, ATooLongTextStopsShrinkingAtTheMinimumAndEndsInAnEllipsis)
{
    show(QStringLiteral("one two three four five six seven eight nine ten eleven twelve thirteen fourteen"), 90);
    EXPECT_DOUBLE_EQ(label.shownScale(), 0.85);
    EXPECT_TRUE(label.isTruncated());
    EXPECT_LE(inkedWidth(), label.width());
    // The height is two full-size lines, whatever the text needs.
    EXPECT_EQ(label.sizeHint().height(), static_cast<int>(std::ceil(2 * lineSpacing)));
    EXPECT_LT(label.minimumSizeHint().width(), 90) << "it asks for no width of its own";
}

TEST_F(ShrinkingLabelTest, ChineseWithoutSpacesWrapsAndShrinksToo)
{
    // Nine characters, room for four and a half a line at full size.
    const qreal character = QFontMetricsF(font).horizontalAdvance(QStringLiteral("洋"));
    show(QStringLiteral("洋红金色蓝色青色紫"), static_cast<int>(4.5 * character));
    EXPECT_LT(label.shownScale(), 1.0) << "breaks between characters, and shrinks a little to fit";
    EXPECT_FALSE(label.isTruncated());
    show(QStringLiteral("洋红 · 金色 · 蓝色 · 青色 · 紫色 · 琥珀 · 薄荷 · 珊瑚"), 70);
    EXPECT_TRUE(label.isTruncated());
    EXPECT_LE(inkedWidth(), label.width());
}

}  // namespace
