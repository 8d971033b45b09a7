#pragma once

#include "Simulator/SimmacConnection.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>
#include <string>

namespace platform {

// This process as a running application of the workspace: announced to
// simmac on a connection of its own that stays open for the process's life,
// so that its end is known at once. Publishes each activation, answers the
// workspace's requests to come to the front, and terminates the application
// when simmac goes away (the simulated Mac has shut down). Lives on the main
// thread, as a child of the application object.
class WorkspaceAnnouncement final : public QObject {
public:
    // Throws SimmacError when simmac cannot take the announcement.
    WorkspaceAnnouncement(const std::string& bundleIdentifier, const std::string& name, QObject* parent);

    // Raises the application's visible windows and publishes the activation.
    void activate();

private:
    void publishActivation();
    void readEvents();
    void lose(const std::string& reason);

    std::unique_ptr<simulator::SimmacConnection> connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    // Since the window system last took the activity away.
    bool activationPublished_ = false;
};

}  // namespace platform
