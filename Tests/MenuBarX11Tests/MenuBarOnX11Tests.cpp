// The strip opens the popover as a popup under it; Escape and a click
// elsewhere close it; its button to the main window shows the one main
// window, made anew when it was closed.

#include "../AppEntryTests/AppFixture.h"

#include "App/MainWindow.h"
#include "MenuBar/MenuBarExtra.h"
#include "MenuBar/MenuBarPanel.h"
#include "MenuBar/MenuPopoverHeader.h"
#include "MenuBar/MenuPopoverView.h"
#include "MenuBar/StatusStrip.h"

#include "VisualKit/VelkoraButton.h"

#include <QApplication>

namespace velkora::test {

namespace {

class MenuBarOnX11Test : public AppFixture {
protected:
    MenuBarPanel* openWithStrip()
    {
        MenuBarExtra& item = app->menuBarExtra();
        // A click right after the panel closed is taken for the one that closed it.
        EXPECT_TRUE(waitFor([&] { return !item.panel()->closedJustNow(); }));
        QTest::mouseClick(item.strip(), Qt::LeftButton, {}, item.strip()->rect().center());
        EXPECT_TRUE(waitFor([&] { return item.panel()->isVisible(); })) << "the click on the strip opened nothing";
        settle();
        return item.panel();
    }

    int shownMainWindows()
    {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            count += qobject_cast<MainWindow*>(widget) != nullptr && widget->isVisible() ? 1 : 0;
        }
        return count;
    }
};

TEST_F(MenuBarOnX11Test, TheStripOpensThePopoverWhichClosesOnEscapeAndAClickElsewhereAndOpensTheOneMainWindow)
{
    createApp();
    MenuBarExtra& item = app->menuBarExtra();
    ASSERT_EQ(item.host(), MenuBarExtra::Host::strip) << "Xvfb has no system tray";
    StatusStrip* strip = item.strip();
    ASSERT_TRUE(waitFor([&] { return strip->isVisible(); }));

    MenuBarPanel* panel = openWithStrip();
    auto* popover = qobject_cast<MenuPopoverView*>(panel->content());
    ASSERT_NE(popover, nullptr);
    EXPECT_GE(panel->geometry().top(), strip->geometry().bottom()) << "under the strip";
    EXPECT_EQ(panel->width(), MenuPopoverView::popoverWidth);

    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : panel, Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return !panel->isVisible(); })) << "Escape closes it";

    // A click on another window of the screen.
    QWidget elsewhere;
    elsewhere.setGeometry(40, 500, 300, 200);
    elsewhere.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
    openWithStrip();
    // Through the window system, as a click of the pointer arrives.
    QTest::mouseClick(elsewhere.windowHandle(), Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_TRUE(waitFor([&] { return !panel->isVisible(); })) << "a click outside closes it";
    elsewhere.hide();

    ASSERT_EQ(shownMainWindows(), 0);
    for (int round = 0; round < 2; ++round) {
        openWithStrip();
        QTest::mouseClick(popover->header()->openButton(), Qt::LeftButton);
        ASSERT_TRUE(waitFor([&] { return app->mainWindow() != nullptr && app->mainWindow()->isVisible(); }));
        EXPECT_TRUE(waitFor([&] { return !panel->isVisible(); }));
        EXPECT_EQ(shownMainWindows(), 1);
    }
    QPointer<MainWindow> window = app->mainWindow();
    window->close();
    ASSERT_TRUE(waitFor([&] { return window.isNull(); }));
    openWithStrip();
    QTest::mouseClick(popover->header()->openButton(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return app->mainWindow() != nullptr && app->mainWindow()->isVisible(); }))
        << "a closed main window is made anew";
    EXPECT_EQ(shownMainWindows(), 1);
}

}  // namespace

}  // namespace velkora::test
