#include "CheckedContinuation.h"

#include <QCoreApplication>

namespace velkora {

QEvent::Type ResumeContext::resumeEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void ResumeContext::resumeOnItsThread()
{
    auto* event = new QEvent(resumeEventType());
    resumeRequested_.store(true, std::memory_order_release);
    QCoreApplication::postEvent(this, event);
}

bool ResumeContext::event(QEvent* event)
{
    if (!resumeRequested_.load(std::memory_order_acquire) || event->type() != resumeEventType()) {
        return QObject::event(event);
    }
    // The coroutine may run on for long; this object goes once the event loop
    // has it back.
    deleteLater();
    awaiting_.resume();
    return true;
}

}  // namespace velkora
