#pragma once

#include "Model/AppModel.h"
#include "TestSupport/SimmacProcess.h"
#include "VelkoraCore/IPC.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace velkora {

// What the end-to-end suites share: the application's model running from its
// signed bundle (BundledTestRun) on a simulated Mac whose launchd starts the
// real daemon. A suite lets go of its views before this lets go of the model.
class BundledApplicationTest : public testing::Test {
protected:
    void TearDown() override
    {
        if (model) {
            std::weak_ptr<AppModel> weak = model;
            model.reset();
            waitFor([&] { return weak.expired(); });
        }
    }

    // A laptop held for the bundled application, plugged in, its battery at
    // `level` percent.
    void startPluggedLaptop(const std::string& level)
    {
        simmac.emplace(testsupport::SimmacProcess::heldLaptopForBundledApplication());
        simmac->simmacctl({"plug"});
        simmac->simmacctl({"level", level});
    }

    // The model as the application makes it from `services`, but System
    // Settings stays closed: approval comes from simmacctl
    // (installAndApproveHelper).
    void startApplication(AppModel::Services services = {})
    {
        services.openLoginItems = [] {};
        model = AppModel::create(std::move(services));
    }

    // The user's Install, then the user's approval as simmacctl gives it.
    void installAndApproveHelper()
    {
        model->performPrimaryHelperAction();
        ASSERT_EQ(simmac->simmacctl({"approve", std::string(IPC::machServiceName)}).exitCode, 0);
    }

    // Processes events until `ready` holds or `milliseconds` have passed.
    template <typename Predicate>
    bool waitFor(Predicate ready, int milliseconds = 10000)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!ready()) {
            if (elapsed.elapsed() > milliseconds) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    std::optional<testsupport::SimmacProcess> simmac;
    std::shared_ptr<AppModel> model;
};

}  // namespace velkora
