#include "ShortcutsApp/ShortcutsWindow.h"

#include "AppIntents/IntentRegistry.h"
#include "TestSupport/PaintIntentFields.h"
#include "TestSupport/TemporaryRoot.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>

namespace {

using namespace platform;

std::atomic<int> paintRuns{0};

struct PaintIntent : PaintIntentFields<PaintIntent> {
    QCoro::Task<IntentResult> perform() const
    {
        ++paintRuns;
        co_return IntentResult::result(coats, LocalizedStringResource()
                                                  .appendLiteral("涂了 ")
                                                  .appendInterpolation(coats)
                                                  .appendLiteral(" 层 ")
                                                  .appendInterpolation(colour));
    }
};

struct FailingIntent {
    static constexpr std::string_view typeName = "FailingIntent";
    static constexpr bool openAppWhenRun = false;
    static LocalizedStringResource title() { return "失败"; }
    QCoro::Task<IntentResult> perform() const
    {
        throw std::runtime_error("<b>无法连接</b>充电后台服务");
        co_return IntentResult::result("never");
    }
};

AppIntentsCatalogue testCatalogue()
{
    return {{declareIntent<PaintIntent>(), declareIntent<FailingIntent>()},
            {{"Colour", "颜色", {{"green", "绿色"}, {"blinkOrange", "闪烁橙色"}}}},
            {}};
}

class ShortcutsWindowTest : public testing::Test {
protected:
    std::unique_ptr<IntentRegistry> publish()
    {
        return std::make_unique<IntentRegistry>(testCatalogue(),
                                                IntentApplication{"com.example.painter", "Painter", "en"});
    }

    // The window once its first listing is in.
    std::unique_ptr<ShortcutsWindow> openWindow()
    {
        auto window = std::make_unique<ShortcutsWindow>();
        QSignalSpy listed(window.get(), &ShortcutsWindow::listed);
        window->show();
        EXPECT_TRUE(listed.count() > 0 || listed.wait(10000));
        return window;
    }

    // Presses Run and waits for the answer.
    QString run(ShortcutsWindow& window)
    {
        QSignalSpy ran(&window, &ShortcutsWindow::ran);
        QTest::mouseClick(window.runButton(), Qt::LeftButton);
        EXPECT_TRUE(ran.wait(10000));
        return window.resultLabel()->text();
    }

    TemporaryRoot root;
};

TEST_F(ShortcutsWindowTest, ItListsTheActionsOfTheRunningApplicationAndRunsTheChosenOneWithItsFields)
{
    const auto registry = publish();
    const auto window = openWindow();
    ASSERT_EQ(window->actionList()->count(), 2);
    EXPECT_EQ(window->actionList()->item(0)->text(), QStringLiteral("涂色 — Painter"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("2 actions"));

    window->actionList()->setCurrentRow(0);
    auto* coats = qobject_cast<QSpinBox*>(window->parameterField(QStringLiteral("coats")));
    auto* colour = qobject_cast<QComboBox*>(window->parameterField(QStringLiteral("colour")));
    ASSERT_NE(coats, nullptr);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(coats->minimum(), 20);
    EXPECT_EQ(coats->maximum(), 100);
    ASSERT_EQ(colour->count(), 2);
    EXPECT_EQ(colour->itemData(1).toString(), QStringLiteral("blinkOrange"));
    EXPECT_NE(colour->itemText(1), QStringLiteral("blinkOrange")) << "a choice shows its case's title";

    coats->setFocus();
    coats->selectAll();
    QTest::keyClicks(coats, QStringLiteral("35"));
    QTest::keyClick(colour, Qt::Key_Down);
    const int before = paintRuns;
    EXPECT_EQ(run(*window), QStringLiteral("涂了 35 层 blinkOrange\n35"));
    EXPECT_EQ(paintRuns, before + 1);
    EXPECT_TRUE(window->runButton()->isEnabled());
}

TEST_F(ShortcutsWindowTest, AFailedActionShowsItsErrorAsPlainText)
{
    const auto registry = publish();
    const auto window = openWindow();
    window->actionList()->setCurrentRow(1);
    EXPECT_EQ(window->parameterField(QStringLiteral("coats")), nullptr) << "the fields follow the chosen action";
    EXPECT_EQ(run(*window), QStringLiteral("The action failed: <b>无法连接</b>充电后台服务"));
    EXPECT_EQ(window->resultLabel()->textFormat(), Qt::PlainText);
}

TEST_F(ShortcutsWindowTest, WithoutARunningApplicationItSaysSoAndRefreshFindsOneThatStarted)
{
    const auto window = openWindow();
    EXPECT_EQ(window->actionList()->count(), 0);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("No application that offers shortcuts is running."));
    EXPECT_FALSE(window->runButton()->isEnabled());

    const auto registry = publish();
    QSignalSpy listed(window.get(), &ShortcutsWindow::listed);
    QTest::mouseClick(window->refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(listed.wait(10000));
    EXPECT_EQ(window->actionList()->count(), 2);
    EXPECT_TRUE(window->runButton()->isEnabled());
}

}  // namespace
