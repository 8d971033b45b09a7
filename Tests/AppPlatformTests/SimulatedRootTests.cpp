#include "Foundation/SimulatedRoot.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

using platform::SimulatedRoot;

namespace {

// Sets the given variables (none: unset) for one test and restores them after.
class Environment {
public:
    explicit Environment(const std::map<std::string, std::optional<std::string>>& variables)
    {
        for (const auto& [name, value] : variables) {
            const char* previous = std::getenv(name.c_str());
            saved_[name] = previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST(SimulatedRoot, WithoutASettingEachUserGetsARootOfTheirOwn)
{
    const std::string uid = std::to_string(getuid());
    {
        const Environment environment({{"SIMMAC_ROOT", std::nullopt}, {"XDG_RUNTIME_DIR", "/run/user/1234"}});
        EXPECT_EQ(SimulatedRoot::directory(), "/run/user/1234/simmac");
    }
    {
        const Environment environment(
            {{"SIMMAC_ROOT", ""}, {"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", "/var/tmp/mine"}});
        EXPECT_EQ(SimulatedRoot::directory(), "/var/tmp/mine/simmac-" + uid);
    }
    {
        const Environment environment(
            {{"SIMMAC_ROOT", std::nullopt}, {"XDG_RUNTIME_DIR", "relative"}, {"TMPDIR", std::nullopt}});
        EXPECT_EQ(SimulatedRoot::directory(), "/tmp/simmac-" + uid) << "a relative folder is not trusted";
    }
    {
        const Environment environment({{"SIMMAC_ROOT", "/srv/mac"}, {"XDG_RUNTIME_DIR", "/run/user/1234"}});
        EXPECT_EQ(SimulatedRoot::directory(), "/srv/mac");
        EXPECT_EQ(SimulatedRoot::resolve("/Applications/Tallowmere.app"), "/srv/mac/Applications/Tallowmere.app");
    }
}
