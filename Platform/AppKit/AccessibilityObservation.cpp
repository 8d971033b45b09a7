#include "AccessibilityObservation.h"

#include "Log/Logger.h"

#include <chrono>

namespace platform {

namespace {

const Logger& logger()
{
    static const Logger instance("AppKit", "Accessibility");
    return instance;
}

}  // namespace

AccessibilityObservation::AccessibilityObservation(std::function<void()> handler, Hear hear)
    : handler_(std::move(handler)), hear_(std::move(hear))
{
    retry_.setSingleShot(true);
    retry_.setInterval(reconnectMilliseconds);
    QObject::connect(&retry_, &QTimer::timeout, this, &AccessibilityObservation::subscribe);
    subscribe();
}

AccessibilityObservation::~AccessibilityObservation()
{
    if (connection_) {
        hear_(std::nullopt);
    }
}

void AccessibilityObservation::subscribe()
{
    try {
        auto connection = std::make_unique<simulator::SimmacConnection>();
        const bool reduceMotion = connection->request("accessibility.subscribe").value("reduceMotion", false);
        connection_ = std::move(connection);
        hear_(reduceMotion);
    } catch (const simulator::SimmacError&) {
        if (!retry_.isActive()) {
            retry_.start();
        }
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, &AccessibilityObservation::readEvents);
    // The first connection finds what the caller already read; a later one
    // may find another machine with another setting.
    if (everConnected_) {
        handler_();
    }
    everConnected_ = true;
}

void AccessibilityObservation::readEvents()
{
    bool changed = false;
    try {
        // One message per wake-up: the notifier fires again while more wait on
        // the socket. The wait only covers the rest of a frame already begun.
        auto message = connection_->takePush(std::chrono::milliseconds(200));
        while (message) {
            if (message->value("event", "") == "accessibility") {
                hear_(message->value("reduceMotion", false));
                changed = true;
            }
            message = connection_->queuedPushCount() > 0 ? connection_->takePush(std::chrono::milliseconds(0))
                                                         : std::nullopt;
        }
    } catch (const simulator::SimmacError& error) {
        logger().notice("lost simmac's accessibility events: %s", error.what());
        lose();
        return;
    }
    if (changed) {
        handler_();
    }
}

void AccessibilityObservation::lose()
{
    notifier_.reset();
    connection_.reset();
    hear_(std::nullopt);
    retry_.start();
    // Without simmac the setting reads as off; whoever follows it should know.
    handler_();
}

}  // namespace platform
