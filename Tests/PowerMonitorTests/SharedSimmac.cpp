#include "SharedSimmac.h"

#include "smc/smc.h"

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace {

std::unique_ptr<testsupport::SimmacProcess> running;

// Starts simmac before the first test and stops it after the last.
class SimmacEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        testsupport::SimmacProcess::Options options;
        // The battery's readings stay exactly as each test sets them.
        options.speed = 0;
        // Power settings are the system's; this process may change them.
        options.privilegedUid = getuid();
        running = std::make_unique<testsupport::SimmacProcess>(options);
    }
    void TearDown() override { running.reset(); }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new SimmacEnvironment);

}  // namespace

testsupport::SimmacProcess& SharedSimmac::process()
{
    return *running;
}

void SharedSimmac::useModel(const std::string& model)
{
    control({"model", model});
    SMCCleanupCache();
}

std::string SharedSimmac::control(const std::vector<std::string>& arguments)
{
    const testsupport::SimmacProcess::CommandResult result = running->simmacctl(arguments);
    std::string command = "simmacctl";
    for (const std::string& argument : arguments) {
        command += " " + argument;
    }
    EXPECT_EQ(result.exitCode, 0) << command << ": " << result.errorOutput;
    return result.output;
}
