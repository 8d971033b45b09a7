#pragma once

#include "VisualKit/AppRouter.h"
#include "VisualKit/ReduceMotionSource.h"
#include "VisualKit/ViewEnvironment.h"

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"
#include "VelkoraCore/ChargePolicy.h"
#include "VelkoraCore/PowerSnapshot.h"

#include <QObject>
#include <QString>

#include <functional>

#include <memory>
#include <optional>

namespace velkora::test {
class FakeDaemonPeer;
}

namespace screenshots {

// A model of its own for one battery picture, on the world's simulated Mac:
// its helper is a scripted daemon that reports `snapshot` (with a gently
// varying battery power, so the live chart has a history) and `policy`,
// answers every command with the snapshot, and is healthy, outdated or
// waiting for the user's approval. The model polls it for `historySeconds`
// of its manual clock before the picture; then the errors are set. The
// scene belongs to the view it is made for (see attach()).
class BatteryScene : public QObject {
    Q_OBJECT
public:
    enum class Helper { healthy, outdated, awaitingApproval };

    struct Setup {
        velkora::PowerSnapshot snapshot;
        velkora::ChargePolicy policy;
        Helper helper = Helper::healthy;
        std::optional<QString> lastError;
        std::optional<QString> chargeLimitError;
        bool calibrating = false;
        // A limit change to this value is sent and never answered: once a
        // third of a second has passed (advance()), "Applying…" shows.
        std::optional<int> applyingLimit;
        int historySeconds = 150;
        // Quick actions run on the model once its history is read, before
        // the errors are set. With holdCommands the daemon keeps their
        // commands unanswered, so that they stay switching; otherwise the
        // scene waits for their answers.
        std::function<void(velkora::AppModel&)> actions;
        bool holdCommands = false;
    };

    explicit BatteryScene(Setup setup);
    ~BatteryScene() override;

    velkora::ViewEnvironment environment();
    velkora::AppModel& model() { return *model_; }

    // Moves the scene's clock on, firing what falls due.
    void advance(std::chrono::milliseconds duration);

    // Makes `view` the scene's owner: the scene lives as long as the view.
    QWidget* attach(QWidget* view);

    // A laptop on its adapter at `percentage`, with the readings a healthy
    // battery of about 5,000 mAh gives.
    static velkora::PowerSnapshot laptop(int percentage, velkora::ChargingState state, const char* reason);

private:
    class Registration;

    Setup setup_;
    std::shared_ptr<Registration> registration_;
    std::unique_ptr<velkora::test::FakeDaemonPeer> daemon_;
    std::shared_ptr<velkora::ManualAppClock> clock_;
    std::shared_ptr<velkora::AppModel> model_;
    velkora::AppRouter router_;
    velkora::ReduceMotionSource reduceMotion_;
};

}  // namespace screenshots
