#include "Simmac/SystemPowerModule.h"

#include <cmath>

#include "IOKit/IOReturn.h"
#include "Log/Logger.h"
#include "Simmac/ClientSession.h"
#include "Simmac/Dispatcher.h"
#include "Simmac/PeerProcess.h"
#include "Simmac/SimulatorError.h"

namespace simmac {

namespace {

const platform::Logger& logger()
{
    static const platform::Logger instance("simmac", "SystemPower");
    return instance;
}

std::string messageName(std::uint32_t message)
{
    switch (message) {
    case SystemPowerModule::messageCanSystemSleep: return "canSleep";
    case SystemPowerModule::messageSystemWillSleep: return "willSleep";
    case SystemPowerModule::messageSystemWillPowerOn: return "willPowerOn";
    case SystemPowerModule::messageSystemHasPoweredOn: return "hasPoweredOn";
    }
    return "unknown";
}

std::optional<std::uint64_t> unsignedArgument(const OperationCall& call, const char* name)
{
    const auto member = call.arguments().find(name);
    if (member == call.arguments().end() || !member->is_number_unsigned()) {
        return std::nullopt;
    }
    return member->get<std::uint64_t>();
}

}  // namespace

SystemPowerModule::SystemPowerModule(Dispatcher& dispatcher, asio::io_context& context) : timer_(context)
{
    dispatcher.addModule(*this);
    dispatcher.addOperation("pm.register", [this](OperationCall& call) {
        const std::uint64_t identifier = nextRegistration_++;
        const pid_t pid = call.session().peer().pid;
        registrations_[identifier] = {call.sharedSession(), call.session().identifier(), pid, processName(pid)};
        logger().info("registration %llu for %s[%d]", static_cast<unsigned long long>(identifier),
                      registrations_[identifier].process, static_cast<int>(pid));
        call.succeed({{"registration", identifier}});
    });
    dispatcher.addOperation("pm.deregister", [this](OperationCall& call) {
        const auto identifier = unsignedArgument(call, "registration");
        if (!identifier || !registrations_.contains(*identifier)) {
            call.succeed({{"status", kIOReturnBadArgument}});
            return;
        }
        endRegistration(*identifier);
        call.succeed({{"status", kIOReturnSuccess}});
        finishPhaseIfDone();
    });
    dispatcher.addOperation("pm.allow", [this](OperationCall& call) {
        const auto registration = unsignedArgument(call, "registration");
        const auto notification = call.arguments().find("notification");
        if (!registration || !registrations_.contains(*registration) || notification == call.arguments().end() ||
            !notification->is_number_integer()) {
            call.succeed({{"status", kIOReturnBadArgument}});
            return;
        }
        // An acknowledgement that comes too late, or twice, is harmless.
        if (sleep_) {
            for (Delivery& delivery : sleep_->deliveries) {
                if (delivery.registration == *registration &&
                    delivery.notification == notification->get<std::int64_t>() && !delivery.acknowledgedAt) {
                    delivery.acknowledgedAt = std::chrono::steady_clock::now();
                }
            }
        }
        call.succeed({{"status", kIOReturnSuccess}});
        finishPhaseIfDone();
    });
    dispatcher.addOperation("pm.sleep", [this](OperationCall& call) {
        if (asleep_) {
            throw SimulatorError("the machine is already asleep");
        }
        if (sleep_) {
            throw SimulatorError("the machine is already going to sleep");
        }
        std::chrono::milliseconds timeout = defaultAcknowledgementTimeout;
        const auto seconds = call.arguments().find("timeout");
        if (seconds != call.arguments().end()) {
            if (!seconds->is_number() || seconds->get<double>() < 0 || seconds->get<double>() > 60) {
                throw SimulatorError("pm.sleep: \"timeout\" must be 0 to 60 seconds");
            }
            timeout = std::chrono::milliseconds(std::lround(seconds->get<double>() * 1000));
        }
        sleep_.emplace(Sleep{std::move(call), timeout, 0, false, {}, nlohmann::ordered_json::array()});
        startPhase(messageCanSystemSleep);
    });
    dispatcher.addOperation("pm.wake", [this](OperationCall& call) {
        if (!asleep_) {
            throw SimulatorError("the machine is awake");
        }
        wake();
        call.succeed({{"notified", registrations_.size()}});
    });
}

void SystemPowerModule::wake()
{
    asleep_ = false;
    for (const std::uint32_t message : {messageSystemWillPowerOn, messageSystemHasPoweredOn}) {
        for (const auto& [identifier, registration] : registrations_) {
            send(identifier, registration, message);
        }
    }
    logger().notice("awake");
}

std::int64_t SystemPowerModule::send(std::uint64_t registration, const Registration& target, std::uint32_t message)
{
    const std::int64_t notification = nextNotification_++;
    if (const auto session = target.session.lock()) {
        session->push({{"event", "power"},
                       {"registration", registration},
                       {"message", message},
                       {"notification", notification}});
    }
    return notification;
}

void SystemPowerModule::startPhase(std::uint32_t message)
{
    sleep_->phase = message;
    sleep_->finishing = false;
    sleep_->deliveries.clear();
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [identifier, registration] : registrations_) {
        sleep_->deliveries.push_back({identifier, send(identifier, registration, message), now, std::nullopt, false,
                                      registration.pid, registration.process});
    }
    const std::uint64_t serial = ++phaseSerial_;
    timer_.expires_after(sleep_->timeout);
    timer_.async_wait([this, serial](const std::error_code& error) {
        if (!error && sleep_ && serial == phaseSerial_ && !sleep_->finishing) {
            sleep_->finishing = true;
            finishPhase();
        }
    });
    finishPhaseIfDone();
}

void SystemPowerModule::finishPhaseIfDone()
{
    if (!sleep_ || sleep_->finishing) {
        return;
    }
    for (const Delivery& delivery : sleep_->deliveries) {
        if (!delivery.acknowledgedAt && !delivery.registrationEnded) {
            return;
        }
    }
    // Finished from the event loop, so that the acknowledgement that completed
    // the phase is answered first.
    sleep_->finishing = true;
    asio::post(timer_.get_executor(), [this] { finishPhase(); });
}

void SystemPowerModule::finishPhase()
{
    ++phaseSerial_;
    timer_.cancel();
    for (const Delivery& delivery : sleep_->deliveries) {
        const auto registration = registrations_.find(delivery.registration);
        nlohmann::ordered_json entry = {{"registration", delivery.registration},
                                        {"pid", delivery.pid},
                                        {"process", delivery.process},
                                        {"message", messageName(sleep_->phase)},
                                        {"acknowledged", delivery.acknowledgedAt.has_value()}};
        entry["milliseconds"] =
            delivery.acknowledgedAt
                ? nlohmann::ordered_json(std::chrono::duration_cast<std::chrono::milliseconds>(
                                             *delivery.acknowledgedAt - delivery.sentAt)
                                             .count())
                : nlohmann::ordered_json();
        entry["ended"] = delivery.registrationEnded || registration == registrations_.end();
        if (!delivery.acknowledgedAt) {
            logger().error("%s[%d] did not acknowledge %s", delivery.process, static_cast<int>(delivery.pid),
                           messageName(sleep_->phase));
        }
        sleep_->record.push_back(std::move(entry));
    }
    if (sleep_->phase == messageCanSystemSleep) {
        startPhase(messageSystemWillSleep);
        return;
    }
    asleep_ = true;
    lastSleep_ = sleep_->record;
    logger().notice("asleep");
    Sleep finished = std::move(*sleep_);
    sleep_.reset();
    finished.call.succeed({{"asleep", true}, {"acknowledgements", lastSleep_}});
}

void SystemPowerModule::endRegistration(std::uint64_t registration)
{
    registrations_.erase(registration);
    // A sleep does not wait for a process that is gone.
    if (sleep_) {
        for (Delivery& delivery : sleep_->deliveries) {
            delivery.registrationEnded = delivery.registrationEnded || delivery.registration == registration;
        }
    }
}

void SystemPowerModule::connectionClosed(ClientSession& session)
{
    std::vector<std::uint64_t> ended;
    for (const auto& [identifier, registration] : registrations_) {
        if (registration.owner == session.identifier()) {
            ended.push_back(identifier);
        }
    }
    for (const std::uint64_t identifier : ended) {
        endRegistration(identifier);
    }
    finishPhaseIfDone();
}

std::function<void()> SystemPowerModule::prepareModel(const HardwareModel&)
{
    if (sleep_) {
        throw SimulatorError("the machine is going to sleep; change the model when it is asleep or awake");
    }
    // The new machine starts awake with no sleep behind it; the processes
    // that slept with the old one hear it power on, as after a wake.
    return [this] {
        if (asleep_) {
            wake();
        }
        lastSleep_ = nlohmann::ordered_json();
    };
}

void SystemPowerModule::addStatus(nlohmann::ordered_json& status) const
{
    nlohmann::ordered_json clients = nlohmann::ordered_json::array();
    for (const auto& [identifier, registration] : registrations_) {
        clients.push_back(
            {{"registration", identifier}, {"pid", registration.pid}, {"process", registration.process}});
    }
    status["powerNotifications"] = {{"asleep", asleep_}, {"clients", std::move(clients)}, {"lastSleep", lastSleep_}};
}

}  // namespace simmac
