#include "Window/SidebarButton.h"

#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/VelkoraTheme.h"

#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace velkora::test {

namespace {

QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(color.alphaF() * alpha);
    return color;
}

}  // namespace

class SidebarButtonTest : public testing::Test {
protected:
    ViewEnvironment environment()
    {
        ViewEnvironment environment;
        environment.reduceMotion = &reduceMotion;
        return environment;
    }

    void hover(SidebarButton& button, bool inside)
    {
        if (inside) {
            QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
            QCoreApplication::sendEvent(&button, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&button, &leave);
        }
    }

    ReduceMotionSource reduceMotion{true};
};

TEST_F(SidebarButtonTest, SelectionWinsOverHoverAndAHoveredRowLightensWithoutABackground)
{
    SidebarButton row(environment(), SidebarButton::Kind::route, QStringLiteral("leaf"), QStringLiteral("Energy"));
    EXPECT_EQ(row.foreground(), VelkoraTheme::secondaryLabel());
    EXPECT_EQ(row.background().alpha(), 0);

    // Under reduced motion hover changes at once.
    hover(row, true);
    EXPECT_TRUE(row.isHovered());
    EXPECT_EQ(row.foreground().rgba(), withAlpha(VelkoraTheme::label(), 0.82f).rgba());
    EXPECT_EQ(row.background().alpha(), 0);

    row.setSelected(true);
    EXPECT_TRUE(row.isChecked()) << "assistive technology hears that it is selected";
    row.setSelectionLevel(1);  // where the fade ends
    EXPECT_EQ(row.foreground(), VelkoraTheme::energy());
    EXPECT_EQ(row.background().rgba(), withAlpha(VelkoraTheme::energy(), 0.135f).rgba());

    hover(row, false);
    EXPECT_EQ(row.foreground(), VelkoraTheme::energy());

    // A click asks; only the owner selects.
    row.setSelected(false);
    row.setSelectionLevel(0);
    QTest::mouseClick(&row, Qt::LeftButton);
    EXPECT_FALSE(row.isSelected());
    EXPECT_FALSE(row.isChecked());
}

TEST_F(SidebarButtonTest, TheQuitRowOnlyLightensAndNeverSelects)
{
    SidebarButton quit(environment(), SidebarButton::Kind::quit, QStringLiteral("power"), QStringLiteral("Quit"));
    quit.setSelected(true);
    EXPECT_FALSE(quit.isSelected());
    hover(quit, true);
    EXPECT_EQ(quit.foreground(), VelkoraTheme::label());
    EXPECT_EQ(quit.background().rgba(), withAlpha(VelkoraTheme::label(), 0.065f).rgba());
    EXPECT_EQ(quit.height(), SidebarButton::rowHeight);
}

}  // namespace velkora::test
