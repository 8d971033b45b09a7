// On an X server without a window manager the last window mapped or raised
// covers the others: a sheet opened while its window is shown ends below it,
// invisible and still holding the window's input. These tests drive plain
// windows the way the application's own are (shown again, raised,
// activated, clicked) and read the order and the focus from the server.

#include "AppKit/WindowStacking.h"
#include "TestSupport/XTestInput.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using platform::WindowStacking;

class WindowStackingOnX11 : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(input.isAvailable()) << "the display offers no XTest";
        WindowStacking::install();
        window = std::make_unique<QWidget>();
        window->setGeometry(0, 0, 800, 600);
        window->show();
        ASSERT_TRUE(waitFor([&] { return isMapped(window.get()); }));
    }

    // Processes events until `ready` holds; false after five seconds.
    static bool waitFor(const std::function<bool()>& ready)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!ready()) {
            if (elapsed.elapsed() > 5000) {
                return false;
            }
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    bool isMapped(QWidget* widget) const { return input.stackingIndex(widget->winId()) >= 0 && widget->isVisible(); }

    bool isAbove(QWidget* upper, QWidget* lower) const
    {
        const int top = input.stackingIndex(upper->winId());
        const int bottom = input.stackingIndex(lower->winId());
        return top >= 0 && bottom >= 0 && top > bottom;
    }

    bool hasKeyboard(QWidget* widget) const { return input.focus() == widget->winId(); }

    // A window-modal dialog of the window, opened as the application opens its sheets.
    QDialog* openSheet()
    {
        auto* sheet = new QDialog(window.get());
        sheet->setWindowModality(Qt::WindowModal);
        sheet->setGeometry(200, 150, 400, 300);
        sheet->open();
        EXPECT_TRUE(waitFor([&] { return isMapped(sheet); }));
        return sheet;
    }

    XTestInput input;
    std::unique_ptr<QWidget> window;
};

TEST_F(WindowStackingOnX11, ASheetStaysAboveItsWindowAndKeepsTheKeyboardWhateverBringsTheWindowForward)
{
    QDialog* sheet = openSheet();
    ASSERT_TRUE(waitFor([&] { return isAbove(sheet, window.get()) && hasKeyboard(sheet); }));

    // Raised and activated, as opening the window again does.
    window->raise();
    window->activateWindow();
    EXPECT_TRUE(waitFor([&] { return isAbove(sheet, window.get()) && hasKeyboard(sheet); }))
        << "raising and activating the window left the sheet below it or without the keyboard";

    // Mapped anew, as a change of the window's type does.
    window->hide();
    ASSERT_TRUE(waitFor([&] { return input.stackingIndex(window->winId()) < 0 || !window->isVisible(); }));
    window->show();
    EXPECT_TRUE(waitFor([&] { return isMapped(window.get()) && isAbove(sheet, window.get()); }))
        << "the window shown again covers its sheet";

    // A click on the window beside the sheet: the window refuses it, the sheet takes the keyboard.
    input.click(60, 500);
    EXPECT_TRUE(waitFor([&] { return isAbove(sheet, window.get()) && hasKeyboard(sheet); }))
        << "a click on the blocked window did not hand the keyboard to its sheet";

    // Another client gives the keyboard to the window: it goes on to the sheet.
    input.giveFocus(window->winId());
    EXPECT_TRUE(waitFor([&] { return hasKeyboard(sheet); })) << "the blocked window kept the keyboard";
}

TEST_F(WindowStackingOnX11, ClosingTheSheetGivesTheKeyboardBackToItsWindow)
{
    QDialog* sheet = openSheet();
    ASSERT_TRUE(waitFor([&] { return hasKeyboard(sheet); }));
    input.tap("Escape");
    ASSERT_TRUE(waitFor([&] { return !sheet->isVisible(); })) << "Escape reached no sheet";
    EXPECT_TRUE(waitFor([&] { return hasKeyboard(window.get()); }));
}

TEST_F(WindowStackingOnX11, AnAlertOfTheWholeApplicationComesBackAboveTheWindowThatIsBroughtForward)
{
    QDialog alert;
    alert.setWindowModality(Qt::ApplicationModal);
    alert.setGeometry(250, 200, 300, 150);
    alert.show();
    ASSERT_TRUE(waitFor([&] { return isMapped(&alert) && hasKeyboard(&alert); }));

    window->raise();
    window->activateWindow();
    EXPECT_TRUE(waitFor([&] { return isAbove(&alert, window.get()) && hasKeyboard(&alert); }))
        << "the window brought forward covers the alert that blocks it";
}

TEST_F(WindowStackingOnX11, FloatingPanelsStayAboveOrdinaryWindowsAndPopUpsAboveThemAll)
{
    QWidget floating(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                  Qt::WindowDoesNotAcceptFocus);
    floating.setAttribute(Qt::WA_ShowWithoutActivating);
    floating.setGeometry(500, 20, 200, 100);
    floating.show();
    QWidget popUp(nullptr, Qt::Popup);
    popUp.setGeometry(520, 40, 100, 40);
    popUp.show();
    ASSERT_TRUE(waitFor([&] { return isMapped(&floating) && isMapped(&popUp); }));

    QWidget later;
    later.setGeometry(300, 0, 600, 400);
    later.show();
    QDialog* sheet = openSheet();
    window->raise();
    EXPECT_TRUE(waitFor([&] {
        return isAbove(sheet, window.get()) && isAbove(&floating, sheet) && isAbove(&floating, &later) &&
               isAbove(&popUp, &floating);
    })) << "a window shown or raised covered a floating panel or a pop-up";
    EXPECT_EQ(WindowStacking::levelOf(floating), WindowStacking::Level::floating);
    EXPECT_EQ(WindowStacking::levelOf(*sheet), WindowStacking::Level::normal);
}

}  // namespace
