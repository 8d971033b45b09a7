#pragma once

#include <QString>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace velkora {

// A serial queue of utility priority: work handed to it runs on one
// low-priority thread, one piece at a time, in the order it was handed over.
// The thread is started on demand and ends after a while without work.
// Destroying the queue waits for the work already handed over.
class UtilityQueue {
public:
    explicit UtilityQueue(const QString& label)
    {
        pool_.setObjectName(label);
        pool_.setMaxThreadCount(1);
        pool_.setThreadPriority(QThread::LowPriority);
    }

    UtilityQueue(const UtilityQueue&) = delete;
    UtilityQueue& operator=(const UtilityQueue&) = delete;

    QString label() const { return pool_.objectName(); }

    // The future of `work`'s result; co_await it to resume on the awaiting thread.
    template <typename Work>
    auto run(Work&& work)
    {
        return QtConcurrent::run(&pool_, std::forward<Work>(work));
    }

private:
    QThreadPool pool_;
};

}  // namespace velkora
