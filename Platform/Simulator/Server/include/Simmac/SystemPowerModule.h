#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <asio.hpp>

#include "Simmac/OperationCall.h"
#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// System sleep and wake, and the processes registered for their
// notifications. A registration belongs to the connection that made it (the
// process's notification port) and ends with it; its messages are pushed on
// that connection as
//   {"event": "power", "registration": id, "message": type, "notification": n}
// A sleep sends "can sleep" (0xE0000270) to every registration and waits for
// all acknowledgements or the time-out, then "will sleep" (0xE0000280) the
// same way, and records who acknowledged what and when. A wake sends "will
// power on" (0xE0000320) and "has powered on" (0xE0000300), which need no
// acknowledgement.
//   "pm.register"                              -> {"registration"}
//   "pm.deregister" {"registration"}           -> {"status"}
//   "pm.allow" {"registration", "notification"} -> {"status"}
//   "pm.sleep" {"timeout"?: seconds, default 5} -> the sleep's record, once done
//   "pm.wake"                                  -> {"notified": count}
// Status: "powerNotifications": {"asleep", "clients": [{"registration", "pid",
// "process"}], "lastSleep": the record of the last sleep, or null}.
class SystemPowerModule : public SimulatorModule {
public:
    static constexpr std::uint32_t messageCanSystemSleep = 0xE0000270;
    static constexpr std::uint32_t messageSystemWillSleep = 0xE0000280;
    static constexpr std::uint32_t messageSystemHasPoweredOn = 0xE0000300;
    static constexpr std::uint32_t messageSystemWillPowerOn = 0xE0000320;
    static constexpr std::chrono::milliseconds defaultAcknowledgementTimeout{5000};

    SystemPowerModule(Dispatcher& dispatcher, asio::io_context& context);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;
    void connectionClosed(ClientSession& session) override;

private:
    struct Registration {
        std::weak_ptr<ClientSession> session;
        std::uint64_t owner = 0;
        pid_t pid = 0;
        std::string process;
    };
    // One message of a sleep sent to one registration.
    struct Delivery {
        std::uint64_t registration = 0;
        std::int64_t notification = 0;
        std::chrono::steady_clock::time_point sentAt;
        std::optional<std::chrono::steady_clock::time_point> acknowledgedAt;
        bool registrationEnded = false;
        pid_t pid = 0;
        std::string process;
    };
    struct Sleep {
        OperationCall call;
        std::chrono::milliseconds timeout;
        std::uint32_t phase = 0;  // the message being waited for
        bool finishing = false;
        std::vector<Delivery> deliveries;
        nlohmann::ordered_json record = nlohmann::ordered_json::array();
    };

    void endRegistration(std::uint64_t registration);
    // Tells every registered process that the machine powers on.
    void wake();
    void startPhase(std::uint32_t message);
    void finishPhaseIfDone();
    void finishPhase();
    std::int64_t send(std::uint64_t registration, const Registration& target, std::uint32_t message);

    asio::steady_timer timer_;
    std::map<std::uint64_t, Registration> registrations_;
    std::uint64_t nextRegistration_ = 1;
    std::int64_t nextNotification_ = 1;
    std::uint64_t phaseSerial_ = 0;
    bool asleep_ = false;
    std::optional<Sleep> sleep_;
    nlohmann::ordered_json lastSleep_;
};

}  // namespace simmac
