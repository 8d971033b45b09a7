#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace simtop {

// One process as /proc shows it at one instant.
struct ProcessReading {
    pid_t pid = 0;
    std::string command;       // /proc/<pid>/comm (may hold spaces)
    char state = '?';          // R, S, D, Z, ...
    uint64_t cpuTicks = 0;     // user + system time in clock ticks
    uint64_t wakeups = 0;      // voluntary context switches: each is a sleep ended by a wake-up
    uint64_t threads = 0;
};

struct SystemReading {
    std::chrono::steady_clock::time_point takenAt;
    std::chrono::system_clock::time_point wallClock;
    std::map<pid_t, ProcessReading> processes;
    uint64_t userTicks = 0;    // all CPUs, from /proc/stat
    uint64_t systemTicks = 0;
    uint64_t idleTicks = 0;
    double loadAverage[3] = {0, 0, 0};
    uint64_t memoryTotalKiB = 0;
    uint64_t memoryAvailableKiB = 0;
};

// A process's rates over the interval between two readings.
struct ProcessRates {
    ProcessReading process;
    double cpuPercent = 0;     // 100 = one CPU busy for the whole interval
    double power = 0;          // energy score, see rates()
};

class ProcessSampler {
public:
    static SystemReading read();

    // Rates of every process of `now`. POWER is an energy-impact score made
    // from the CPU share plus a weight for wake-ups (each wake-up keeps a core
    // out of its idle state for a while): %CPU + 0.02 x wake-ups per second.
    // A process missing from `before` started within the interval, so all its
    // CPU time and wake-ups belong to it. Without `before` every rate is 0,
    // as in top's first sample.
    static std::vector<ProcessRates> rates(const SystemReading* before, const SystemReading& now);
};

}  // namespace simtop
