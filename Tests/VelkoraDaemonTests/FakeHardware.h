#pragma once

#include <VelkoraCore/DeviceCapabilities.h>
#include <VelkoraCore/PowerSnapshot.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The power hardware as the service sees it, for tests of the service's own
// rules: this file's definitions of HardwareController, PowerEventMonitor and
// the power-assertion calls stand in for the real ones, so that every write,
// refresh and assertion is recorded and every reading and failure scripted.
struct FakeHardware {
    static FakeHardware& shared();

    // Everything below is guarded by `mutex`: the test and the service's
    // queue both touch it.
    std::mutex mutex;

    velkora::DeviceCapabilities capabilities{true, true, true, true, false};
    bool firmwareLimit = false;
    // What the switches read; a successful write changes them.
    std::optional<bool> chargingReading = true;
    std::optional<bool> adapterReading = true;
    velkora::PowerSnapshot reading;

    // "adapter 0|1", "charging 0|1", "led <raw value>", "limit <lower> <upper>",
    // "limit off", "restore", "refresh", "power mode <source> <mode>".
    std::vector<std::string> writes;
    // A write whose record starts with this fails with a HardwareError of that text.
    std::optional<std::string> failingWrite;
    // While set, a reading fails with a HardwareError of that text.
    std::optional<std::string> failingRead;
    // The SMC connection is gone; the next pass without a failing reading
    // opens it again (recorded as the write "reopen").
    bool connectionLost = false;

    int assertionsCreated = 0;
    std::vector<std::string> heldAssertions;

    std::function<void()> willSleep;
    std::function<void()> didWake;

    void reset();
    std::vector<std::string> takeWrites();
};
