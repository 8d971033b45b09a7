#pragma once

#include "AppKit/NSWorkspace.h"

#include "Simulator/SimmacConnection.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// The application of a workspace event or listing ({"pid", "bundleIdentifier",
// "name"}); nothing for anything else.
std::optional<NSRunningApplication> runningApplicationIn(const nlohmann::ordered_json& description);

// Follows simmac's workspace events on a connection of its own, watched by
// the Qt event loop of the thread that made it, and hands the application of
// each event named `name` to `handler`. Without simmac it tries again every
// two seconds; events of the time between are not replayed.
class WorkspaceNotificationObservation final : public QObject, public NSWorkspaceObservation {
public:
    static constexpr int reconnectMilliseconds = 2000;

    using Handler = std::function<void(const NSRunningApplication&)>;
    WorkspaceNotificationObservation(NSWorkspaceNotification name, Handler handler);

private:
    void subscribe();
    void readEvents();
    void lose();
    void deliver(const nlohmann::ordered_json& message);

    NSWorkspaceNotification name_;
    Handler handler_;
    std::unique_ptr<simulator::SimmacConnection> connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer retry_;
};

}  // namespace platform
