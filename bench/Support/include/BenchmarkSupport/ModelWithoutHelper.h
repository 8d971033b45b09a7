#pragma once

// For the benchmarks of the application's views: a model whose helper and
// login item were never registered, so that it reads the battery itself, on a
// manual clock. Header only: only the benchmarks that build views link the
// model.

#include <memory>

#include "Model/AppModel.h"
#include "Services/ManualAppClock.h"

namespace velkora::bench {

class NotRegistered : public platform::SMAppService {
public:
    void registerService() override {}
    void unregisterService() override {}
    Status status() const override { return Status::notRegistered; }
};

inline std::shared_ptr<AppModel> modelWithoutHelper(const std::shared_ptr<ManualAppClock>& clock)
{
    AppModel::Services services;
    services.clock = clock;
    services.daemon = DaemonClient::create(clock->timeoutScheduler(), std::make_shared<NotRegistered>());
    services.mainApp = std::make_shared<NotRegistered>();
    services.installation = HelperInstallation{[] { return true; }, [] {}, [] {}, [] {}};
    services.openLoginItems = [] {};
    return AppModel::create(std::move(services));
}

}  // namespace velkora::bench
