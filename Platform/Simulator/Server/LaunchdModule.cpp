#include "Simmac/LaunchdModule.h"

#include "LaunchdJob.h"
#include "Log/Logger.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "launchd");
    return instance;
}

}  // namespace

LaunchdModule::LaunchdModule(Dispatcher& dispatcher, asio::io_context& context) : context_(context)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("launchd.register", [this](OperationCall& call) { registerDaemon(call); });
    dispatcher.addOperation("launchd.unregister", [this](OperationCall& call) { unregisterDaemon(call); });
    dispatcher.addOperation("launchd.status", [this](OperationCall& call) {
        std::string label;
        try {
            label = labelFor(call);
        } catch (const SimulatorError&) {
            call.succeed({{"status", "notFound"}});
            return;
        }
        call.succeed(answer(label));
    });
    dispatcher.addOperation("launchd.approve", [this](OperationCall& call) {
        const std::string label = call.stringArgument("label");
        approve(label);
        call.succeed(answer(label));
    });
    dispatcher.addOperation("launchd.disapprove", [this](OperationCall& call) { disapprove(call); });
    dispatcher.addOperation("launchd.loginItems", [this](OperationCall& call) {
        nlohmann::ordered_json items = nlohmann::ordered_json::array();
        for (const auto& [label, job] : jobs_) {
            nlohmann::ordered_json item = answer(label);
            item["bundle"] = job->definition().bundle.string();
            items.push_back(std::move(item));
        }
        call.succeed({{"items", std::move(items)}});
    });
}

LaunchdModule::~LaunchdModule()
{
    for (const auto& [label, job] : jobs_) {
        job->stopNow();
    }
    for (const auto& job : retiring_) {
        job->stopNow();
    }
}

std::function<void()> LaunchdModule::prepareModel(const HardwareModel&)
{
    // Registrations belong to the operating system, not to the hardware.
    return [] {};
}

void LaunchdModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json jobs = nlohmann::ordered_json::array();
    for (const auto& [label, job] : jobs_) {
        nlohmann::ordered_json description = job->describe();
        description["status"] = statusOf(label);
        jobs.push_back(std::move(description));
    }
    status["launchd"] = {{"jobs", std::move(jobs)}, {"approved", approved_}};
}

std::string LaunchdModule::statusOf(const std::string& label) const
{
    if (!jobs_.contains(label)) {
        return "notRegistered";
    }
    return approved_.contains(label) ? "enabled" : "requiresApproval";
}

nlohmann::ordered_json LaunchdModule::answer(const std::string& label) const
{
    return {{"label", label}, {"status", statusOf(label)}};
}

std::string LaunchdModule::labelFor(const OperationCall& call) const
{
    const std::filesystem::path bundle = call.stringArgument("bundle");
    const std::string plist = call.stringArgument("plist");
    for (const auto& [label, job] : jobs_) {
        if (job->definition().bundle == bundle && job->definition().plistName == plist) {
            return label;
        }
    }
    return LaunchdJobDefinition::readLabel(bundle, plist);
}

void LaunchdModule::startRegisteredJobs()
{
    LaunchdDatabase::Contents stored;
    try {
        stored = database_.load();
    } catch (const SimulatorError& problem) {
        logger().error("Starting without registrations: %s", problem.what());
    }
    approved_.insert(stored.approved.begin(), stored.approved.end());
    bool dropped = false;
    for (const LaunchdDatabase::Registration& registration : stored.registrations) {
        std::shared_ptr<LaunchdJob> job;
        try {
            job = std::make_shared<LaunchdJob>(context_,
                                               LaunchdJobDefinition::read(registration.bundle, registration.plistName));
        } catch (const SimulatorError& problem) {
            logger().error("Dropping the registration from %s: %s", registration.bundle.string(), problem.what());
            dropped = true;
            continue;
        }
        const std::string label = job->definition().label;
        if (jobs_.contains(label)) {
            logger().error("Dropping the registration from %s: %s is registered already",
                           registration.bundle.string(), label);
            dropped = true;
            continue;
        }
        jobs_.emplace(label, job);
        logger().notice("Loaded %s from %s (%s)", label, job->definition().bundle.string(), statusOf(label));
        if (approved_.contains(label)) {
            try {
                job->enable();
            } catch (const SimulatorError& problem) {
                // It stays registered; the next registration or approval tries again.
                logger().error("Cannot enable %s: %s", label, problem.what());
            }
        }
    }
    if (dropped) {
        save();
    }
}

void LaunchdModule::save() const
{
    LaunchdDatabase::Contents contents;
    for (const auto& [label, job] : jobs_) {
        contents.registrations.push_back({job->definition().bundle, job->definition().plistName});
    }
    contents.approved = approved_;
    try {
        database_.save(contents);
    } catch (const SimulatorError& problem) {
        logger().error("The registrations last only while simmac runs: %s", problem.what());
    }
}

void LaunchdModule::registerDaemon(OperationCall& call)
{
    LaunchdJobDefinition definition =
        LaunchdJobDefinition::read(call.stringArgument("bundle"), call.stringArgument("plist"));
    const std::string label = definition.label;

    if (const auto existing = jobs_.find(label); existing != jobs_.end()) {
        if (existing->second->definition() == definition) {
            if (approved_.contains(label)) {
                existing->second->enable();
            }
            call.succeed(answer(label));
            return;
        }
        logger().notice("Replacing the registration of %s", label);
        retire(existing->second);
        jobs_.erase(existing);
    }
    // The same property list under a label it no longer has.
    for (auto entry = jobs_.begin(); entry != jobs_.end();) {
        const LaunchdJobDefinition& other = entry->second->definition();
        if (other.bundle == definition.bundle && other.plistName == definition.plistName) {
            retire(entry->second);
            entry = jobs_.erase(entry);
        } else {
            ++entry;
        }
    }

    const auto job = std::make_shared<LaunchdJob>(context_, std::move(definition));
    if (approved_.contains(label)) {
        try {
            job->enable();
        } catch (const SimulatorError&) {
            // A registration that cannot start listening is no registration,
            // but the one it replaced is gone.
            save();
            throw;
        }
    }
    jobs_.emplace(label, job);
    save();
    logger().notice("Registered %s from %s (%s)", label, job->definition().bundle.string(), statusOf(label));
    call.succeed(answer(label));
}

void LaunchdModule::unregisterDaemon(OperationCall& call)
{
    std::string label;
    try {
        label = labelFor(call);
    } catch (const SimulatorError&) {
        // Nothing can be registered from a property list that is not there.
        call.succeed({{"status", "notRegistered"}});
        return;
    }
    const auto existing = jobs_.find(label);
    if (existing == jobs_.end()) {
        call.succeed(answer(label));
        return;
    }
    const std::shared_ptr<LaunchdJob> job = existing->second;
    jobs_.erase(existing);
    save();
    logger().notice("Unregistered %s", label);
    auto pending = std::make_shared<OperationCall>(std::move(call));
    retire(job, [pending, label] { pending->succeed({{"label", label}, {"status", "notRegistered"}}); });
}

void LaunchdModule::approve(const std::string& label)
{
    const auto job = jobs_.find(label);
    if (job == jobs_.end() && !approved_.contains(label)) {
        throw SimulatorError("no background item \"" + label + "\" is registered");
    }
    if (approved_.insert(label).second) {
        save();
        logger().notice("Approved %s", label);
    }
    if (job != jobs_.end()) {
        job->second->enable();
    }
}

void LaunchdModule::disapprove(OperationCall& call)
{
    const std::string label = call.stringArgument("label");
    const auto job = jobs_.find(label);
    if (job == jobs_.end() && !approved_.contains(label)) {
        throw SimulatorError("no background item \"" + label + "\" is registered");
    }
    if (approved_.erase(label) > 0) {
        save();
        logger().notice("Disapproved %s", label);
    }
    if (job == jobs_.end() || (!job->second->isListening() && !job->second->daemonProcess())) {
        call.succeed(answer(label));
        return;
    }
    // A stopped job stays stopped; the registration lives on in a fresh one
    // that the next approval enables. The answer waits for the daemon's end.
    LaunchdJobDefinition definition = job->second->definition();
    const std::shared_ptr<LaunchdJob> stopping = job->second;
    job->second = std::make_shared<LaunchdJob>(context_, std::move(definition));
    auto pending = std::make_shared<OperationCall>(std::move(call));
    retire(stopping, [this, pending, label] { pending->succeed(answer(label)); });
}

void LaunchdModule::retire(const std::shared_ptr<LaunchdJob>& job, std::function<void()> stopped)
{
    retiring_.push_back(job);
    job->stop([this, weak = std::weak_ptr<LaunchdJob>(job), stopped = std::move(stopped)] {
        const auto self = weak.lock();
        std::erase(retiring_, self);
        if (stopped) {
            stopped();
        }
    });
}

}  // namespace simmac
