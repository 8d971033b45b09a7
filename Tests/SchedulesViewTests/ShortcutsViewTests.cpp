#include "../WindowViewTests/WindowFixture.h"

#include "Shortcuts/ShortcutsView.h"

#include "VisualKit/Divider.h"
#include "VisualKit/PageTitle.h"
#include "VisualKit/VelkoraButton.h"
#include "VisualKit/VelkoraLabel.h"

#include <filesystem>
#include <fstream>

namespace velkora::test {

class ShortcutsViewTest : public WindowFixture {
protected:
    // An application at the Shortcuts application's place that leaves a
    // mark in the simulated root when it starts.
    std::filesystem::path installMarkingApplication()
    {
        const std::filesystem::path executables = simmac.root() / "System/Applications/Shortcuts.app/Contents/MacOS";
        std::filesystem::create_directories(executables);
        const std::filesystem::path executable = executables / "Shortcuts";
        std::ofstream(executable) << "#!/bin/sh\ntouch \"$SIMMAC_ROOT/shortcuts-opened\"\n";
        std::filesystem::permissions(executable, std::filesystem::perms::owner_all);
        return simmac.root() / "shortcuts-opened";
    }
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
    const std::filesystem::path mark = installMarkingApplication();
    auto* page = show(new ShortcutsView(environment()));
    click(page, QStringLiteral("open-shortcuts"));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(mark); }));
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
