#pragma once

#include "ClientProcess.h"
#include "DaemonProcess.h"

#include <TestSupport/SimmacProcess.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A simulated Mac that trusts the build's signing anchor, the real daemon on
// it and signed clients talking to it, all on a fresh simulated root.
class DaemonEndToEndTest : public ::testing::Test {
protected:
    // Starts simmac with the model; the daemon is started separately.
    void startMac(const std::string& model);
    void startDaemon(DaemonProcess::Options options = {});

    // A client run from the bundle the build signed as the application.
    std::unique_ptr<ClientProcess> signedClient() const;
    // The same program in a bundle of the test's own, signed as `prepare` leaves it.
    std::unique_ptr<ClientProcess> clientFromBundle(const std::string& name,
                                                    const std::function<void(const std::filesystem::path&)>& prepare);

    // Runs simmacctl; fails the test when it fails.
    std::string simmacctl(const std::vector<std::string>& arguments) const;
    // A key's value as upper-case hex, as simmacctl shows it.
    std::string smc(const std::string& key) const;

    // Polls `condition` until it holds or `timeout` passes.
    static bool eventually(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // A JSON command for the client's "perform" line.
    static std::string setPolicyCommand(const nlohmann::json& changes);

    std::optional<testsupport::SimmacProcess> simmac;
    std::optional<DaemonProcess> daemon;
};
