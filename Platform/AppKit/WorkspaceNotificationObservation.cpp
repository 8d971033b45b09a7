#include "WorkspaceNotificationObservation.h"

#include "Log/Logger.h"

#include <QPointer>

#include <chrono>

namespace platform {

namespace {

const Logger& logger()
{
    static const Logger instance("AppKit", "Workspace");
    return instance;
}

const char* eventName(NSWorkspaceNotification name)
{
    switch (name) {
    case NSWorkspaceNotification::didActivateApplication:
        return "didActivateApplication";
    case NSWorkspaceNotification::didTerminateApplication:
        return "didTerminateApplication";
    }
    return "";
}

}  // namespace

std::optional<NSRunningApplication> runningApplicationIn(const nlohmann::ordered_json& description)
{
    if (!description.is_object()) {
        return std::nullopt;
    }
    const auto pid = description.find("pid");
    const auto identifier = description.find("bundleIdentifier");
    const auto name = description.find("name");
    if (pid == description.end() || !pid->is_number_integer() || identifier == description.end() ||
        !identifier->is_string() || name == description.end() || !name->is_string()) {
        return std::nullopt;
    }
    return NSRunningApplication::announced(pid->get<pid_t>(), identifier->get<std::string>(), name->get<std::string>());
}

WorkspaceNotificationObservation::WorkspaceNotificationObservation(NSWorkspaceNotification name, Handler handler)
    : name_(name), handler_(std::move(handler))
{
    retry_.setSingleShot(true);
    retry_.setInterval(reconnectMilliseconds);
    QObject::connect(&retry_, &QTimer::timeout, this, &WorkspaceNotificationObservation::subscribe);
    subscribe();
}

void WorkspaceNotificationObservation::subscribe()
{
    try {
        auto connection = std::make_unique<simulator::SimmacConnection>();
        connection->request("workspace.subscribe");
        connection_ = std::move(connection);
    } catch (const simulator::SimmacError&) {
        if (!retry_.isActive()) {
            retry_.start();
        }
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, &WorkspaceNotificationObservation::readEvents);
}

void WorkspaceNotificationObservation::readEvents()
{
    std::vector<nlohmann::ordered_json> messages;
    try {
        // One frame per wake-up, then whatever that read left queued; the
        // wait only covers the rest of a frame already begun.
        auto message = connection_->takePush(std::chrono::milliseconds(200));
        while (message) {
            messages.push_back(std::move(*message));
            message = connection_->queuedPushCount() > 0 ? connection_->takePush(std::chrono::milliseconds(0))
                                                         : std::nullopt;
        }
    } catch (const simulator::SimmacError& error) {
        logger().notice("lost simmac's workspace events: %s", error.what());
        lose();
        return;
    }
    // A handler may end this observation; nothing of it is touched after that.
    const QPointer<WorkspaceNotificationObservation> alive(this);
    for (const auto& message : messages) {
        if (!alive) {
            return;
        }
        deliver(message);
    }
}

void WorkspaceNotificationObservation::deliver(const nlohmann::ordered_json& message)
{
    if (message.value("event", "") != "workspace" || message.value("notification", "") != eventName(name_)) {
        return;
    }
    const auto application = message.find("application");
    if (application == message.end()) {
        return;
    }
    if (const std::optional<NSRunningApplication> running = runningApplicationIn(*application)) {
        handler_(*running);
    }
}

void WorkspaceNotificationObservation::lose()
{
    notifier_.reset();
    connection_.reset();
    retry_.start();
}

}  // namespace platform
