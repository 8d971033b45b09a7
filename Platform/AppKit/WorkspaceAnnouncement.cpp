#include "WorkspaceAnnouncement.h"

#include "AppKit/NSApplication.h"
#include "Log/Logger.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <chrono>

namespace platform {

namespace {

const Logger& logger()
{
    static const Logger instance("AppKit", "Workspace");
    return instance;
}

}  // namespace

WorkspaceAnnouncement::WorkspaceAnnouncement(const std::string& bundleIdentifier, const std::string& name,
                                             QObject* parent)
    : QObject(parent), connection_(std::make_unique<simulator::SimmacConnection>())
{
    connection_->request("workspace.launch", {{"bundleIdentifier", bundleIdentifier}, {"name", name}});
    notifier_ = std::make_unique<QSocketNotifier>(connection_->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, &WorkspaceAnnouncement::readEvents);
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QObject::connect(application, &QGuiApplication::applicationStateChanged, this,
                         [this](Qt::ApplicationState state) {
                             // The window system following an activation already
                             // published is no news: published late, it would take the
                             // front back from an application activated meanwhile.
                             if (state != Qt::ApplicationActive) {
                                 activationPublished_ = false;
                             } else if (!activationPublished_) {
                                 publishActivation();
                             }
                         });
    }
}

void WorkspaceAnnouncement::activate()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            window->raise();
            window->activateWindow();
        }
    }
    publishActivation();
}

void WorkspaceAnnouncement::publishActivation()
{
    if (!connection_) {
        return;
    }
    try {
        connection_->request("workspace.activate");
        activationPublished_ = true;
    } catch (const simulator::SimmacError& error) {
        lose(error.what());
        return;
    }
    // The request may have read pushes that no longer wake the notifier.
    if (connection_->queuedPushCount() > 0) {
        QTimer::singleShot(0, this, &WorkspaceAnnouncement::readEvents);
    }
}

void WorkspaceAnnouncement::readEvents()
{
    if (!connection_) {
        return;
    }
    bool activationRequested = false;
    try {
        auto message = connection_->takePush(std::chrono::milliseconds(200));
        while (message) {
            activationRequested |= message->value("request", "") == "activate";
            message = connection_->queuedPushCount() > 0 ? connection_->takePush(std::chrono::milliseconds(0))
                                                         : std::nullopt;
        }
    } catch (const simulator::SimmacError& error) {
        lose(error.what());
        return;
    }
    if (activationRequested) {
        NSApplication::reopen();
    }
}

void WorkspaceAnnouncement::lose(const std::string& reason)
{
    notifier_.reset();
    connection_.reset();
    logger().notice("The workspace is gone (%s); the application ends", reason);
    // Not from inside the notifier's own signal.
    QTimer::singleShot(0, [] { NSApplication::terminate(); });
}

}  // namespace platform
