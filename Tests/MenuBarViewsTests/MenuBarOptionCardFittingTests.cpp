// The texts on the menu-bar settings page's option cards fit their cards, at
// the narrowest the main window allows and narrower still.

#include "../WindowViewTests/WindowFixture.h"

#include "Settings/MenuBarOptionCard.h"
#include "Settings/MenuBarSettingsView.h"

#include "VisualKit/ShrinkingLabel.h"

namespace velkora::test {

namespace {

// The page area of the main window at its minimum width.
constexpr int narrowestPage = 910;

class MenuBarOptionCardFitting : public WindowFixture {
protected:
    void showAt(int width)
    {
        if (!page) {
            createSettledModel();
            page = show(new MenuBarSettingsView(environment()));
        }
        page->resize(width, 1080);
        settle();
    }

    // Whether `label` lies inside the card it is on, inside the card's padding.
    static void expectInsideItsCard(const QWidget* label)
    {
        auto* card = qobject_cast<MenuBarOptionCard*>(label->parentWidget());
        ASSERT_NE(card, nullptr);
        const QRect inner = card->rect().marginsRemoved(card->metrics().padding);
        EXPECT_TRUE(inner.contains(label->geometry()))
            << card->objectName().toStdString() << " has its text outside its padding";
    }

    void expectEveryDetailFits(bool shrinkingAllowed)
    {
        const auto schemes = page->findChildren<ShrinkingLabel*>(QStringLiteral("color-scheme-detail"));
        ASSERT_EQ(schemes.size(), 4);
        for (const ShrinkingLabel* detail : schemes) {
            EXPECT_FALSE(detail->isTruncated()) << detail->text().toStdString();
            if (!shrinkingAllowed) {
                EXPECT_EQ(detail->shownScale(), 1.0) << detail->text().toStdString();
            }
            expectInsideItsCard(detail);
        }
        const auto layouts = page->findChildren<QLabel*>(QStringLiteral("layout-detail"));
        ASSERT_EQ(layouts.size(), 3);
        for (const QLabel* detail : layouts) {
            EXPECT_TRUE(detail->wordWrap());
            // All its lines, none cut off at the bottom.
            EXPECT_GE(detail->height(), detail->heightForWidth(detail->width())) << detail->text().toStdString();
            expectInsideItsCard(detail);
        }
    }

    MenuBarSettingsView* page = nullptr;
};

TEST_F(MenuBarOptionCardFitting, AtTheNarrowestWindowEveryDetailShowsWholeAtFullSize)
{
    showAt(narrowestPage);
    expectEveryDetailFits(false);
}

TEST_F(MenuBarOptionCardFitting, NarrowerTheLayoutDetailsWrapAndTheSchemeDetailsShrinkBeforeTheyAreCut)
{
    showAt(narrowestPage);
    const QLabel* longest = nullptr;
    for (const QLabel* detail : page->findChildren<QLabel*>(QStringLiteral("layout-detail"))) {
        if (!longest || detail->text().size() > longest->text().size()) {
            longest = detail;
        }
    }
    ASSERT_NE(longest, nullptr);
    const int oneLine = longest->height();

    showAt(560);
    EXPECT_GT(longest->height(), oneLine) << "the longest layout detail takes a second line";
    expectEveryDetailFits(true);

    // Narrower than any window: the scheme details are cut short, never
    // drawn past their cards.
    showAt(380);
    for (const ShrinkingLabel* detail : page->findChildren<ShrinkingLabel*>(QStringLiteral("color-scheme-detail"))) {
        EXPECT_GE(detail->shownScale(), 0.85);
        expectInsideItsCard(detail);
    }
}

}  // namespace

}  // namespace velkora::test
