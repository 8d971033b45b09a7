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

// Follows simmac's accessibility events on a connection of its own, watched
// by the Qt event loop of the thread that made it. `hear` is told the
// setting when the subscription is made and at each event, and nothing when
// the connection is lost; `handler` runs after each change.
class AccessibilityObservation final : public QObject, public NSWorkspaceObservation {
public:
    static constexpr int reconnectMilliseconds = 2000;

    using Hear = std::function<void(std::optional<bool> reduceMotion)>;
    AccessibilityObservation(std::function<void()> handler, Hear hear);
    ~AccessibilityObservation() override;

private:
    // Connects and subscribes; on failure schedules the next try.
    void subscribe();
    void readEvents();
    void lose();

    std::function<void()> handler_;
    Hear hear_;
    std::unique_ptr<simulator::SimmacConnection> connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer retry_;
    bool everConnected_ = false;
};

}  // namespace platform
