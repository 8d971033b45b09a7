#pragma once

#include <QAnimationDriver>
#include <QCoreApplication>
#include <QVariantAnimation>

// Drives every Qt animation of the process by hand while it lives: time
// moves only when a test advances it.
//
// Qt stops a driver once no animation runs and, until one starts again,
// counts the wall clock instead; an animation started after such a pause
// would leap by however long the test waited for something else. One
// animation that never ends keeps the driver running, and a first step
// spends whatever wall-clock time Qt counted before this driver took over.
class ManualAnimationDriver : public QAnimationDriver {
public:
    ManualAnimationDriver()
    {
        install();
        keepRunning_.setDuration(1000);
        keepRunning_.setStartValue(0);
        keepRunning_.setEndValue(1);
        keepRunning_.setLoopCount(-1);
        keepRunning_.start();
        advanceBy(0);
    }
    ~ManualAnimationDriver() override
    {
        keepRunning_.stop();
        uninstall();
    }

    // Animations started since the last step join first (Qt registers them
    // from the event loop, in two queued steps), then time moves on.
    void advanceBy(qint64 milliseconds)
    {
        for (int step = 0; step < 3; ++step) {
            QCoreApplication::processEvents();
        }
        advance();
        elapsed_ += milliseconds;
        advance();
    }

    qint64 elapsed() const override { return elapsed_; }

private:
    qint64 elapsed_ = 0;
    QVariantAnimation keepRunning_;
};
