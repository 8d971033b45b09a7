#pragma once

#include <string>
#include <string_view>

#include "Simmac/SimulatorModule.h"

namespace simmac {

class Dispatcher;

// The running operating system's version, as processes read it: the query
// for the system version (simulator::QueryMessage) answers [major, minor,
// patch].
//   "os.set" {"version"}      -> {"major", "minor", "patch", "version": "26.1"},
//                                after the change
// A model names its version in {"os": {"version": "26.1"}}; without it the
// machine runs 15.0.
class OperatingSystemModule : public SimulatorModule {
public:
    struct Version {
        int major = 15;
        int minor = 0;
        int patch = 0;
    };

    explicit OperatingSystemModule(Dispatcher& dispatcher);

    // "26", "26.1" or "26.1.2"; throws SimulatorError naming the text otherwise.
    static Version parseVersion(std::string_view text);
    static std::string versionText(const Version& version);

    std::function<void()> prepareModel(const HardwareModel& model) override;
    void addStatus(nlohmann::ordered_json& status) const override;

private:
    nlohmann::ordered_json describe() const;

    Version version_;
};

}  // namespace simmac
