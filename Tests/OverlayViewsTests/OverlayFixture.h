#pragma once

#include "../AppModelTests/ModelFixture.h"
#include "../VisualKitTests/ManualAnimationDriver.h"

#include "Overlay/OverlayPanel.h"
#include "Overlay/OverlayPresenter.h"

#include "TestSupport/ModelViewEnvironment.h"
#include "VisualKit/ReduceMotionSource.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QVariantAnimation>

#include <memory>

namespace velkora::test {

// A settled model on a simulated laptop (ModelFixture), the one overlay
// presenter following a reduce-motion source the test sets, and animations
// that move only when the test advances them. Each test runs in a process
// of its own, so the presenter starts with no panel.
class OverlayFixture : public ModelFixture {
protected:
    explicit OverlayFixture(const std::string& hardware = "firmware-limit-laptop") : ModelFixture(hardware) {}

    void SetUp() override
    {
        ModelFixture::SetUp();
        presenter().setReduceMotionSource(&reduceMotion);
        // Qt's animation clock starts again from nothing each time no
        // animation runs, and would then hand the next one all the time the
        // manual driver has counted so far: one endless animation keeps it
        // running.
        clockKeeper.setStartValue(0.0);
        clockKeeper.setEndValue(1.0);
        clockKeeper.setDuration(1000);
        clockKeeper.setLoopCount(-1);
        clockKeeper.start();
    }

    void TearDown() override
    {
        presenter().hide(false);
        settle();
        ModelFixture::TearDown();
    }

    static OverlayPresenter& presenter() { return OverlayPresenter::shared(); }

    ViewEnvironment environment() { return modelViewEnvironment(*model, reduceMotion); }

    // Every overlay panel that exists, shown or not, closing or not.
    static QList<OverlayPanel*> panels()
    {
        QList<OverlayPanel*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* panel = qobject_cast<OverlayPanel*>(widget)) {
                found.append(panel);
            }
        }
        return found;
    }

    // Runs the animations to their end, and the deletions they leave.
    void finishAnimations()
    {
        animations.advanceBy(OverlayPresenter::animationMilliseconds * 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        settle();
    }

    // The usable area of the primary screen.
    static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // Drags `panel` by `offset` with the mouse, pressing at the middle of its card.
    static void drag(OverlayPanel* panel, QPoint offset)
    {
        const QPoint grip = panel->mapFromGlobal(panel->cardGeometry().center());
        QTest::mousePress(panel, Qt::LeftButton, {}, grip);
        // Each step is given where the panel is now: it follows the mouse.
        const QPoint half = offset / 2;
        QTest::mouseMove(panel, grip + half);
        QTest::mouseMove(panel, grip + offset - half);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, grip);
    }

    ManualAnimationDriver animations;
    QVariantAnimation clockKeeper;
    ReduceMotionSource reduceMotion;
};

}  // namespace velkora::test
