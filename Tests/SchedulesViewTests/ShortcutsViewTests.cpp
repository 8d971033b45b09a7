#include "../WindowViewTests/WindowFixture.h"

#include "Shortcuts/ShortcutsView.h"

#include "VisualKit/Divider.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"

#include "AppKit/NSWorkspace.h"

#include <csignal>
#include <filesystem>
#include <optional>

namespace velkora::test {

class ShortcutsViewTest : public WindowFixture {
protected:
    void TearDown() override
    {
        // The Shortcuts application this test opened.
        if (shortcutsApplication) {
            ::kill(*shortcutsApplication, SIGTERM);
        }
        WindowFixture::TearDown();
    }

    // The process of the Shortcuts application once it announced itself.
    std::optional<pid_t> runningShortcuts() const
    {
        for (const platform::NSRunningApplication& application : platform::NSWorkspace::shared().runningApplications()) {
            if (application.bundleIdentifier() == "com.apple.shortcuts") {
                return application.processIdentifier();
            }
        }
        return std::nullopt;
    }

    std::optional<pid_t> shortcutsApplication;
};

TEST_F(ShortcutsViewTest, TheCardListsTheFourteenActionsAsTheyStandInAColumnOfOneWidth)
{
    createSettledModel();
    auto* page = show(new ShortcutsView(environment()));
    const QList<QWidget*>& rows = page->rows();
    ASSERT_EQ(rows.size(), 14);
    EXPECT_EQ(page->dividers().size(), 13);
    for (qsizetype index = 0; index < page->dividers().size(); ++index) {
        EXPECT_GT(page->dividers()[index]->y(), rows[index]->y()) << "a divider follows row " << index;
        EXPECT_LT(page->dividers()[index]->y(), rows[index + 1]->y());
    }
    EXPECT_GT(rows.last()->y(), page->dividers().last()->y()) << "no divider after the last row";

    // English interface, Chinese rows: they are shown as they stand.
    EXPECT_EQ(rows[0]->findChild<VelkoraLabel*>(QStringLiteral("shortcut-title"))->text(), QStringLiteral("充满"));
    EXPECT_EQ(rows[6]->findChild<VelkoraLabel*>(QStringLiteral("shortcut-detail"))->text(),
              QStringLiteral("返回 Tallowmere 当前充电限制。"));
    const int detailStart = rows[0]->findChild<VelkoraLabel*>(QStringLiteral("shortcut-detail"))->x();
    for (QWidget* row : rows) {
        EXPECT_EQ(row->findChild<VelkoraLabel*>(QStringLiteral("shortcut-title"))->width(),
                  ShortcutsView::titleColumnWidth);
        EXPECT_EQ(row->findChild<VelkoraLabel*>(QStringLiteral("shortcut-detail"))->x(), detailStart);
    }
    EXPECT_EQ(page->findChild<PageTitle*>()->titleLabel()->text(), QStringLiteral("Available Shortcuts Actions"));
    EXPECT_EQ(page->openButton()->text(), QStringLiteral("Open the Shortcuts App"));
}

TEST_F(ShortcutsViewTest, TheButtonOpensTheShortcutsApplicationOfTheMac)
{
    createSettledModel();
    auto* page = show(new ShortcutsView(environment()));
    ASSERT_EQ(runningShortcuts(), std::nullopt);
    click(page, QStringLiteral("open-shortcuts"));
    // A program of its own has to start: up to four of the fixture's waits.
    for (int wait = 0; wait < 4 && !shortcutsApplication; ++wait) {
        waitFor([&] { return (shortcutsApplication = runningShortcuts()).has_value(); });
    }
    EXPECT_TRUE(shortcutsApplication);
}

TEST_F(ShortcutsViewTest, WithoutTheShortcutsApplicationTheButtonDoesNothing)
{
    createSettledModel();
    std::filesystem::remove_all(simmac.root() / "System/Applications/Shortcuts.app");
    auto* page = show(new ShortcutsView(environment()));
    click(page, QStringLiteral("open-shortcuts"));
    EXPECT_FALSE(model->lastError());
    EXPECT_TRUE(page->isVisible());
}

}  // namespace velkora::test
