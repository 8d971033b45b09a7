#pragma once

#include <QAnimationDriver>
#include <QCoreApplication>

// Drives every Qt animation of the process by hand while it lives: time
// moves only when a test advances it.
class ManualAnimationDriver : public QAnimationDriver {
public:
    ManualAnimationDriver() { install(); }
    ~ManualAnimationDriver() override { uninstall(); }

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
};
