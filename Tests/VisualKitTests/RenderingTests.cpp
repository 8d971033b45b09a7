#include "KitEnvironment.h"

#include "VisualKit/FloatingWindow.h"
#include "VisualKit/PageFrame.h"
#include "VisualKit/VelkoraPanel.h"
#include "VisualKit/VelkoraTheme.h"
#include "VisualKit/WindowBackdrop.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QProcess>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace velkora;

namespace {

class RenderingTest : public testing::Test {
protected:
    void TearDown() override { VelkoraTheme::apply(AppAppearance::dark); }

    // A window with a backdrop, a page and, in a container without margins,
    // one panel 200 x 80; returns the picture and where the panel lies.
    QImage render(AppAppearance appearance, QRect& panelArea)
    {
        kit.settings->setAppearance(appearance);
        VelkoraTheme::apply(appearance);
        WindowBackdrop window(kit.environment());
        window.resize(400, 300);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* page = new PageFrame();
        auto* container = new QWidget();
        auto* row = new QHBoxLayout(container);
        row->setContentsMargins(0, 0, 0, 0);
        auto* panel = new VelkoraPanel(kit.environment());
        auto* content = new QWidget();
        content->setFixedSize(200 - 36, 80 - 36);
        panel->contentLayout()->addWidget(content);
        row->addWidget(panel);
        page->addSection(container);
        layout->addWidget(page);
        window.show();
        QApplication::processEvents();
        panelArea = QRect(panel->mapTo(&window, QPoint(0, 0)), panel->size());
        return window.grab().toImage();
    }

    KitEnvironment kit;
};

int darkness(const QImage& image, QPoint point)
{
    return 255 - qGray(image.pixel(point));
}

}  // namespace

TEST_F(RenderingTest, APanelCastsItsShadowBeyondTheContainerItLiesIn)
{
    QRect panel;
    const QImage light = render(AppAppearance::light, panel);
    ASSERT_EQ(panel.size(), QSize(200, 80));
    // 12 down and blurred: strongest just below the card, outside the
    // margin-less container that holds it.
    const QPoint below(panel.center().x(), panel.bottom() + 8);
    const QPoint far(panel.center().x(), panel.bottom() + 60);
    EXPECT_GT(darkness(light, below), darkness(light, far) + 8);

    // Under the dark card's faint fill the shadow is as faint.
    const QImage dark = render(AppAppearance::dark, panel);
    EXPECT_LE(std::abs(darkness(dark, below) - darkness(dark, far)), 2);
}

TEST(FloatingWindowTest, OnADisplayThatBlendsTheWindowGrowsByTheShadowAndKeepsTheCardWherePlaced)
{
    const WindowShadow shadow{0.34, 30, 14};
    EXPECT_EQ(shadow.margins(), QMargins(30, 16, 30, 44));
    EXPECT_EQ((WindowShadow{0.3, 6, 9}).margins(), QMargins(6, 0, 6, 15)) << "a drop past the blur takes no room above";

    FloatingWindow window(shadow, 26);
    // Offscreen windows are pictures laid over others: they blend.
    ASSERT_EQ(window.shadowMargins(), shadow.margins());
    auto* card = new QWidget();
    window.setCard(card);
    window.setCardGeometry(QRect(200, 150, 300, 100));
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.cardGeometry(), QRect(200, 150, 300, 100));
    EXPECT_EQ(window.geometry(), QRect(170, 134, 360, 160));
    EXPECT_EQ(card->geometry(), QRect(30, 16, 300, 100)) << "the card fills the window inside the margins";
    window.moveCard(QPoint(-40, 20));
    EXPECT_EQ(window.cardGeometry(), QRect(-40, 20, 300, 100));

    const QImage picture = window.grab().toImage();
    const auto alpha = [&](int x, int y) { return qAlpha(picture.pixel(x, y)); };
    // Dropped: darkest just below the card, faint above it, none past the blur.
    EXPECT_GT(alpha(180, 16 + 100 + 6), alpha(180, 10) + 20);
    EXPECT_GT(alpha(180, 16 + 100 + 6), 40);
    EXPECT_EQ(alpha(2, 2), 0);
    // Nothing under the card: a see-through card shows what is behind the window.
    EXPECT_EQ(alpha(180, 66), 0);
}

TEST(Screenshots, TheToolWritesEveryPageInBothLanguagesAndAppearances)
{
    const QString out = QDir::temp().filePath(QStringLiteral("velkora-screenshots-test-%1")
                                                  .arg(QCoreApplication::applicationPid()));
    QProcess tool;
    tool.start(QStringLiteral(SCREENSHOTS_PROGRAM), {QStringLiteral("--out"), out, QStringLiteral("--only"),
                                                     QStringLiteral("kit-rows")});
    ASSERT_TRUE(tool.waitForFinished(120'000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    for (const char* language : {"en", "zh-Hans"}) {
        for (const char* appearance : {"dark", "light"}) {
            const QImage picture(QDir(out).filePath(QStringLiteral("kit-rows-%1-%2.png").arg(language, appearance)));
            EXPECT_EQ(picture.size(), QSize(970, 760)) << language << " " << appearance;
        }
    }
    QDir(out).removeRecursively();

    QProcess wrong;
    wrong.start(QStringLiteral(SCREENSHOTS_PROGRAM), {QStringLiteral("--scale"), QStringLiteral("2")});
    ASSERT_TRUE(wrong.waitForFinished(10'000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardError().startsWith("usage: velkora-screenshots"));
}
