#include "ProcessSampler.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace simtop {

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool readProcess(pid_t pid, ProcessReading& out)
{
    const std::string folder = "/proc/" + std::to_string(pid);
    const std::string stat = readText(folder + "/stat");
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return false;
    }
    out.pid = pid;
    out.command = readText(folder + "/comm");
    if (!out.command.empty() && out.command.back() == '\n') {
        out.command.pop_back();
    }
    if (out.command.empty()) {
        out.command = stat.substr(open + 1, close - open - 1);
    }
    // Fields after the command: state(3) ppid pgrp session tty tpgid flags
    // minflt cminflt majflt cmajflt utime(14) stime(15) cutime cstime
    // priority nice num_threads(20) ...
    std::istringstream fields(stat.substr(close + 1));
    std::vector<std::string> values;
    for (std::string value; fields >> value && values.size() < 18;) {
        values.push_back(value);
    }
    if (values.size() < 18) {
        return false;
    }
    out.state = values[0].empty() ? '?' : values[0][0];
    out.cpuTicks = std::strtoull(values[11].c_str(), nullptr, 10) + std::strtoull(values[12].c_str(), nullptr, 10);
    out.threads = std::strtoull(values[17].c_str(), nullptr, 10);

    std::istringstream status(readText(folder + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) {
            out.wakeups = std::strtoull(line.c_str() + line.find(':') + 1, nullptr, 10);
        }
    }
    return true;
}

}  // namespace

SystemReading ProcessSampler::read()
{
    SystemReading reading;
    reading.takenAt = std::chrono::steady_clock::now();
    reading.wallClock = std::chrono::system_clock::now();

    if (DIR* proc = opendir("/proc")) {
        while (const dirent* entry = readdir(proc)) {
            char* end = nullptr;
            const long pid = std::strtol(entry->d_name, &end, 10);
            if (*end != '\0' || pid <= 0) {
                continue;
            }
            ProcessReading process;
            if (readProcess(static_cast<pid_t>(pid), process)) {
                reading.processes.emplace(process.pid, std::move(process));
            }
        }
        closedir(proc);
    }

    std::istringstream stat(readText("/proc/stat"));
    std::string label;
    uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
    if (stat >> label >> user >> nice >> system >> idle >> iowait >> irq >> softirq && label == "cpu") {
        reading.userTicks = user + nice;
        reading.systemTicks = system + irq + softirq;
        reading.idleTicks = idle + iowait;
    }

    std::istringstream load(readText("/proc/loadavg"));
    load >> reading.loadAverage[0] >> reading.loadAverage[1] >> reading.loadAverage[2];

    std::istringstream memory(readText("/proc/meminfo"));
    for (std::string line; std::getline(memory, line);) {
        const uint64_t value = std::strtoull(line.c_str() + line.find(':') + 1, nullptr, 10);
        if (line.rfind("MemTotal:", 0) == 0) {
            reading.memoryTotalKiB = value;
        } else if (line.rfind("MemAvailable:", 0) == 0) {
            reading.memoryAvailableKiB = value;
        }
    }
    return reading;
}

std::vector<ProcessRates> ProcessSampler::rates(const SystemReading* before, const SystemReading& now)
{
    static const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    std::vector<ProcessRates> out;
    out.reserve(now.processes.size());
    const double seconds =
        before != nullptr ? std::chrono::duration<double>(now.takenAt - before->takenAt).count() : 0.0;
    for (const auto& [pid, process] : now.processes) {
        ProcessRates rates{process, 0.0, 0.0};
        if (before != nullptr && seconds > 0) {
            uint64_t ticks = process.cpuTicks;
            uint64_t wakeups = process.wakeups;
            if (const auto earlier = before->processes.find(pid); earlier != before->processes.end()) {
                ticks = process.cpuTicks >= earlier->second.cpuTicks ? process.cpuTicks - earlier->second.cpuTicks : 0;
                wakeups = process.wakeups >= earlier->second.wakeups ? process.wakeups - earlier->second.wakeups : 0;
            }
            rates.cpuPercent = static_cast<double>(ticks) / ticksPerSecond / seconds * 100.0;
            rates.power = rates.cpuPercent + 0.02 * static_cast<double>(wakeups) / seconds;
        }
        out.push_back(std::move(rates));
    }
    return out;
}

}  // namespace simtop
