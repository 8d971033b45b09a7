#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <asio.hpp>

#include "Simmac/LaunchdDatabase.h"
#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;
class LaunchdJob;
class OperationCall;

// launchd and the service manager's registration database: daemons that
// applications register from their bundle's launchd property list
// ("<bundle>/Contents/Library/LaunchDaemons/<plist>"), the user's approval of
// each (by label), and the start of an approved daemon when a client connects
// to its mach service, or at once for one that runs at load, and again when it
// exits for one kept alive (see LaunchdJob). The database is kept in the
// simulated root (LaunchdDatabase): the next simmac on the same root loads its
// jobs again (startRegisteredJobs). Stopping simmac stops every daemon it
// started.
//
// Operations (a daemon is named by "bundle", an absolute path, and "plist", a
// file name; "status" is "enabled", "requiresApproval", "notRegistered" or
// "notFound"):
//   "launchd.register"   {"bundle", "plist"} -> {"label", "status"}
//        registering again from the same property list changes nothing; from
//        another bundle or a changed list, it replaces the registration
//   "launchd.unregister" {"bundle", "plist"} -> {"label", "status"}, answered
//        once the daemon has stopped and its socket is gone
//   "launchd.status"     {"bundle", "plist"} -> {"label", "status"}
//   "launchd.approve"    {"label"}           -> {"label", "status"}
//   "launchd.disapprove" {"label"}           -> {"label", "status"}
//        the user turns the item off again: its socket is closed, and it stays
//        registered, waiting for approval; answered once its daemon has stopped
//   "launchd.loginItems"                     -> {"items": [{"label", "bundle", "status"}, ...]}
//        the registered items as the Login Items settings list them
class LaunchdModule : public SimulatorModule {
public:
    LaunchdModule(Dispatcher& dispatcher, asio::io_context& context);
    ~LaunchdModule() override;
    LaunchdModule(const LaunchdModule&) = delete;
    LaunchdModule& operator=(const LaunchdModule&) = delete;

    // Loads the jobs of the stored database, starting those approved that run
    // at load. Called once simmac answers, since a daemon talks to it at once.
    // A registration whose property list can no longer be used is dropped,
    // and a database that cannot be read is started afresh; both are logged.
    void startRegisteredJobs();

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;

private:
    void registerDaemon(OperationCall& call);
    void unregisterDaemon(OperationCall& call);
    void approve(const std::string& label);
    void disapprove(OperationCall& call);
    std::string labelFor(const OperationCall& call) const;
    std::string statusOf(const std::string& label) const;
    nlohmann::ordered_json answer(const std::string& label) const;
    // Stops `job` in the background; `stopped` runs once its daemon is gone.
    void retire(const std::shared_ptr<LaunchdJob>& job, std::function<void()> stopped = {});
    // Writes the registrations and approvals to the database; a failure is
    // logged, the change stands for as long as simmac runs.
    void save() const;

    asio::io_context& context_;
    LaunchdDatabase database_;
    std::map<std::string, std::shared_ptr<LaunchdJob>> jobs_;
    std::set<std::string> approved_;
    // Unregistered or replaced jobs whose daemons are still stopping.
    std::vector<std::shared_ptr<LaunchdJob>> retiring_;
};

}  // namespace simmac
