#include "KitEnvironment.h"

#include "Services/AppLanguage.h"

#include "VisualKit/Divider.h"
#include "VisualKit/EnergyActionButton.h"
#include "VisualKit/HelpLink.h"
#include "VisualKit/MonospacedDigits.h"
#include "VisualKit/PageFrame.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/SettingsRow.h"
#include "VisualKit/StateBadge.h"
#include "VisualKit/SymbolView.h"
#include "VisualKit/VelkoraFont.h"
#include "VisualKit/VelkoraLabel.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraSlider.h"
#include "VisualKit/VelkoraSwitch.h"
#include "VisualKit/VelkoraTheme.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

class BuildingBlocksTest : public testing::Test {
protected:
    KitEnvironment kit;
    QWidget window;
};

// A widget of a fixed size, standing for some content.
QWidget* block(const QSize& size)
{
    auto* widget = new QWidget();
    widget->setFixedSize(size);
    return widget;
}

}  // namespace

TEST_F(BuildingBlocksTest, ARowAtItsMinimumSizeKeepsEveryPartApartAndInOrder)
{
    auto* accessory = new VelkoraSwitch(kit.environment());
    auto* row = new SettingsRow(QStringLiteral("eye"), QStringLiteral("Show at Launch"),
                                QStringLiteral("Shows the overlay."), accessory, &window);
    row->resize(row->minimumSizeHint());
    row->show();
    QApplication::processEvents();

    EXPECT_GE(row->height(), SettingsRow::minimumRowHeight);
    EXPECT_EQ(row->symbolView()->width(), 24);
    const QRect symbol = row->symbolView()->geometry();
    const QRect title = row->titleLabel()->geometry();
    const QRect help = row->helpLink()->geometry();
    EXPECT_EQ(symbol.left(), 0);
    EXPECT_EQ(title.left() - symbol.right() - 1, 13);
    EXPECT_EQ(help.left() - title.right() - 1, 13);
    EXPECT_GE(accessory->geometry().left() - help.right() - 1, 13);
    EXPECT_EQ(accessory->geometry().right(), row->width() - 1);
    EXPECT_GE(title.width(), row->titleLabel()->sizeHint().width()) << "the title is not cut";
    for (QWidget* part : {static_cast<QWidget*>(row->symbolView()), static_cast<QWidget*>(row->titleLabel()),
                          static_cast<QWidget*>(row->helpLink()), static_cast<QWidget*>(accessory)}) {
        EXPECT_NEAR(part->geometry().center().y(), row->height() / 2, 1) << part->metaObject()->className();
    }
}

TEST_F(BuildingBlocksTest, ARowWithoutHelpHasNoHelpButtonAndNoGapForOne)
{
    auto* accessory = block(QSize(40, 24));
    auto* row = new SettingsRow(QStringLiteral("percent"), QStringLiteral("Show Percentage"), std::nullopt, accessory,
                                &window);
    row->resize(row->minimumSizeHint());
    row->show();
    QApplication::processEvents();
    EXPECT_EQ(row->helpLink(), nullptr);
    EXPECT_TRUE(row->findChildren<HelpLink*>().isEmpty());
    EXPECT_EQ(accessory->geometry().left() - row->titleLabel()->geometry().right() - 1, 13);
    EXPECT_EQ(row->height(), SettingsRow::minimumRowHeight);
}

TEST_F(BuildingBlocksTest, TextIsShownVerbatimTagsAndAll)
{
    const QString marked = QStringLiteral("<b>x</b>");
    VelkoraLabel label(marked, QFont());
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_GE(label.sizeHint().width(), QFontMetrics(label.font()).horizontalAdvance(marked));

    SettingsRow row(QStringLiteral("eye"), marked, std::nullopt, nullptr);
    EXPECT_EQ(row.titleLabel()->text(), marked);
    EXPECT_EQ(row.titleLabel()->textFormat(), Qt::PlainText);
    PageTitle title(QStringLiteral("eye"), marked);
    EXPECT_EQ(title.titleLabel()->textFormat(), Qt::PlainText);

    EnergyActionButton tile(kit.environment(), marked, QStringLiteral("<i>y</i>"), QStringLiteral("bolt.fill"),
                            VelkoraTheme::warm());
    EXPECT_EQ(tile.titleLabel()->text(), marked);
    EXPECT_EQ(tile.titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(tile.subtitleLabel()->textFormat(), Qt::PlainText);

    // Rendered, the tags take room: the width of the literal text.
    label.setMonospacedDigits(true);
    EXPECT_NEAR(label.sizeHint().width(), QFontMetrics(label.font()).horizontalAdvance(marked), 1);
}

TEST_F(BuildingBlocksTest, MonospacedDigitsGiveEveryFigureTheSameWidth)
{
    VelkoraLabel ones(QStringLiteral("11.1 W"), QFont());
    VelkoraLabel eights(QStringLiteral("88.8 W"), QFont());
    ones.setMonospacedDigits(true);
    eights.setMonospacedDigits(true);
    EXPECT_EQ(ones.sizeHint().width(), eights.sizeHint().width());
}

TEST_F(BuildingBlocksTest, DigitCellsHoldEveryDrawnDigitWithoutTheGapsOfAnUnevenAdvance)
{
    for (const QFont& font : {VelkoraFont::rounded(48, QFont::Bold), VelkoraFont::system(48, QFont::Bold)}) {
        const QFontMetricsF metrics(font);
        const qreal cell = MonospacedDigits::cellWidth(metrics);
        qreal widestAdvance = 0;
        for (char digit = '0'; digit <= '9'; ++digit) {
            EXPECT_LE(metrics.boundingRect(QLatin1Char(digit)).width(), cell) << font.family().toStdString() << digit;
            widestAdvance = std::max(widestAdvance, metrics.horizontalAdvance(QLatin1Char(digit)));
        }
        EXPECT_LE(cell, widestAdvance) << font.family().toStdString();
    }
    // The rounded face sets its 4 wider than it draws: cells of that
    // advance would part "57" by more than a digit's own room.
    const QFontMetricsF rounded(VelkoraFont::rounded(48, QFont::Bold));
    EXPECT_LT(MonospacedDigits::cellWidth(rounded), rounded.horizontalAdvance(QLatin1Char('4')) - 2);
}

TEST_F(BuildingBlocksTest, TheRoundedDesignDrawsLatinInTheRoundedFaceAndChineseInTheCjkFace)
{
    ASSERT_TRUE(VelkoraFont::isInstalled());
    const QFont bold = VelkoraFont::rounded(19, QFont::Bold);
    EXPECT_EQ(QFontInfo(bold).family(), QStringLiteral("Quicksand"));
    EXPECT_EQ(QFontInfo(bold).pixelSize(), 19);
    EXPECT_GE(QFontInfo(VelkoraFont::rounded(12, QFont::DemiBold)).weight(), QFont::DemiBold);

    // Each run of a mixed text is drawn by the face that has its letters.
    QTextLayout layout(QStringLiteral("80% 充电中"), bold);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList families;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        families << run.rawFont().familyName();
    }
    EXPECT_TRUE(families.contains(QStringLiteral("Quicksand"))) << families.join(", ").toStdString();
    EXPECT_TRUE(families.contains(QStringLiteral("Noto Sans CJK SC"))) << families.join(", ").toStdString();
}

TEST_F(BuildingBlocksTest, APanelIsAsTallAsItsContentAndFillsHeightOnlyWhenAsked)
{
    auto* column = new QHBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    auto* fitted = new VelkoraPanel(kit.environment());
    fitted->contentLayout()->addWidget(block(QSize(100, 40)));
    auto* filling = new VelkoraPanel(kit.environment(), VelkoraPanel::Metrics{26, 24, true});
    auto* content = block(QSize(100, 40));
    filling->contentLayout()->addWidget(content);
    column->addWidget(fitted, 0, Qt::AlignTop | Qt::AlignLeft);
    column->addWidget(filling, 0, Qt::AlignLeft);
    column->addStretch(1);
    window.resize(600, 400);
    window.show();
    QApplication::processEvents();

    EXPECT_EQ(fitted->metrics().cornerRadius, 22);
    EXPECT_EQ(fitted->metrics().padding, 18);
    EXPECT_EQ(fitted->size(), QSize(100 + 36, 40 + 36));
    EXPECT_EQ(filling->height(), 400);
    EXPECT_EQ(filling->width(), 100 + 48) << "not stretched across";
    EXPECT_NEAR(content->geometry().center().y(), 200, 1) << "content centred";
}

TEST_F(BuildingBlocksTest, APanelGrowsToShowWrappedTextAtANarrowWidthAndNoTaller)
{
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    auto* panel = new VelkoraPanel(kit.environment());
    auto* text = new VelkoraLabel(QStringLiteral("A message long enough to wrap onto several lines when the panel it "
                                                 "stands in is narrow, as in the menu-bar popover."));
    text->setWordWrap(true);
    panel->contentLayout()->addWidget(text);
    column->addWidget(panel);
    column->addStretch(1);
    window.resize(220, 600);
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return text->height() == text->heightForWidth(text->width()); }, 2000))
        << text->height() << " for " << text->heightForWidth(text->width());
    EXPECT_GT(text->height(), 2 * QFontMetrics(text->font()).height()) << "several lines";
    EXPECT_EQ(panel->height(), text->height() + 36) << "as tall as the wrapped text, no taller";

    window.resize(900, 600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->height() == text->heightForWidth(text->width()) + 36; }, 2000));
}

TEST_F(BuildingBlocksTest, ASliderTakesTheKnobWherePressedHoldsItUntilTheReleaseAndLeavesTheWheelToThePage)
{
    auto* slider = new VelkoraSlider(&window);
    slider->setRange(20, 100);
    slider->setValue(80);
    slider->resize(218, 22);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(slider->valueAt(9), 20) << "the knob's centre travels from end to end";
    EXPECT_EQ(slider->valueAt(209), 100);
    EXPECT_EQ(slider->valueAt(-50), 20);
    EXPECT_EQ(slider->valueAt(1000), 100);
    EXPECT_EQ(slider->valueAt(109), 60);

    QSignalSpy pressed(slider, &QSlider::sliderPressed);
    QSignalSpy released(slider, &QSlider::sliderReleased);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, QPoint(109, 11));
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_TRUE(slider->isSliderDown());
    EXPECT_EQ(slider->value(), 60) << "a press anywhere takes the knob there";
    QMouseEvent move(QEvent::MouseMove, QPointF(59, 11), slider->mapToGlobal(QPointF(59, 11)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &move);
    EXPECT_EQ(slider->value(), 40);
    EXPECT_EQ(released.count(), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, QPoint(59, 11));
    EXPECT_EQ(released.count(), 1);
    EXPECT_FALSE(slider->isSliderDown());
    EXPECT_EQ(slider->value(), 40);

    QWheelEvent wheel(QPointF(50, 11), slider->mapToGlobal(QPointF(50, 11)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    EXPECT_EQ(slider->value(), 40);
    EXPECT_FALSE(wheel.isAccepted()) << "the page scrolls instead";
}

TEST_F(BuildingBlocksTest, APageSpansWhatCanGrowAcrossAndKeepsTheRestAtTheLeadingEdge)
{
    PageFrame page;
    auto* rows = new VelkoraPanel(kit.environment());
    auto* fixed = new VelkoraPanel(kit.environment());
    fixed->contentLayout()->addWidget(block(QSize(100, 40)));
    page.addSection(rows);
    page.addSection(fixed);
    // Rows added after the panel joined the page still let it span.
    rows->addRow(new SettingsRow(QStringLiteral("eye"), QStringLiteral("Show"), std::nullopt,
                                 new VelkoraSwitch(kit.environment())));
    page.resize(600, 500);
    page.show();
    QApplication::processEvents();
    const int column = 600 - 30 - 30;
    EXPECT_EQ(rows->width(), column);
    EXPECT_EQ(rows->x(), 30);
    EXPECT_EQ(fixed->width(), 100 + 36);
    EXPECT_EQ(fixed->x(), 30);
    EXPECT_EQ(rows->y(), 45);
    EXPECT_EQ(fixed->y(), rows->geometry().bottom() + 1 + 18);
}

TEST_F(BuildingBlocksTest, ReducedTransparencyMakesEveryPanelOpaqueAtOnce)
{
    VelkoraPanel first(kit.environment());
    VelkoraPanel second(kit.environment());
    EXPECT_EQ(first.fillColor(), VelkoraTheme::card());
    kit.settings->setReduceTransparency(true);
    EXPECT_EQ(first.fillColor(), VelkoraTheme::controlBackground());
    EXPECT_EQ(second.fillColor().alpha(), 255);
    // The shadow goes with the fill: faint under the translucent card, full
    // under the opaque one.
    EXPECT_EQ(qAlpha(second.shadowImage().pixel(second.shadowImage().rect().center())), qRound(0.24 * 255));
}

TEST_F(BuildingBlocksTest, PanelRowsArePartedByDividersAtZeroPointThreeFive)
{
    VelkoraPanel panel(kit.environment());
    panel.addRow(block(QSize(10, 44)));
    panel.addRow(block(QSize(10, 44)));
    panel.addRow(block(QSize(10, 44)));
    const QList<Divider*> dividers = panel.findChildren<Divider*>();
    ASSERT_EQ(dividers.size(), 2);
    EXPECT_DOUBLE_EQ(dividers.first()->opacity(), 0.35);
}

TEST_F(BuildingBlocksTest, HelpOpensA240PointPopoverAndASecondClickClosesIt)
{
    window.show();
    auto* help = new HelpLink(QStringLiteral("Pauses charging before sleep."), &window);
    help->show();
    EXPECT_FALSE(help->isShowing());
    help->click();
    ASSERT_TRUE(help->isShowing());
    EXPECT_EQ(help->popoverText()->width(), HelpLink::textWidth);
    EXPECT_EQ(help->popoverText()->text(), QStringLiteral("Pauses charging before sleep."));
    help->click();
    EXPECT_FALSE(help->isShowing());
}

TEST_F(BuildingBlocksTest, ADisabledTileRunsNothingAndAnEnabledOneRunsItsAction)
{
    window.show();
    auto* tile = new EnergyActionButton(kit.environment(), QStringLiteral("Top Up"), QStringLiteral("Once"),
                                        QStringLiteral("bolt.fill"), VelkoraTheme::energy(), &window);
    tile->resize(240, 52);
    tile->show();
    QSignalSpy clicks(tile, &QAbstractButton::clicked);
    tile->setEnabled(false);
    QTest::mouseClick(tile, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 0);
    tile->setEnabled(true);
    QTest::mouseClick(tile, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(tile->symbolView()->color(), VelkoraTheme::energy());
}

TEST_F(BuildingBlocksTest, ABadgeNamesTheStateInTheToneOfTheSettingsScheme)
{
    StateBadge badge(kit.environment(), ChargingState::charging, 30);
    EXPECT_EQ(badge.text(), appLocalizedName(ChargingState::charging));
    EXPECT_EQ(badge.currentColor(), QColor::fromRgbF(1.0f, 0.62f, 0.18f));
    badge.setState(ChargingState::heatProtected, 30);
    EXPECT_EQ(badge.tone(), BatteryStatusTone::danger());
}
