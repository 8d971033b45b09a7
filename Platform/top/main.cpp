// A stand-in for the system's process tool in logging mode: it prints
// `samples` reports of the processes of this machine, each with top's heading
// lines, a column heading and one line per process, figures taken from /proc.
//
//   top -l <samples> [-n <processes>] [-o pid|command|cpu|power]
//       [-stats <column,...>] [-s <seconds between samples>]
//
// Columns: pid, command, cpu (%CPU), power (POWER). The first sample has no
// interval to measure, so its rates are 0, as in the real tool.

#include "ProcessSampler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

enum class Column { pid, command, cpu, power };

struct Options {
    int samples = 0;
    std::optional<size_t> processLimit;
    Column order = Column::cpu;
    std::vector<Column> columns{Column::pid, Column::command, Column::cpu, Column::power};
    double delaySeconds = 1.0;
};

constexpr const char* usageText =
    "usage: top -l <samples> [-n <processes>] [-o pid|command|cpu|power] [-stats <column,...>] [-s <seconds>]\n";

[[noreturn]] void usage(const std::string& problem)
{
    std::fprintf(stderr, "top: %s\n", problem.c_str());
    std::fputs(usageText, stderr);
    std::exit(1);
}

std::optional<Column> columnNamed(const std::string& name)
{
    if (name == "pid") return Column::pid;
    if (name == "command") return Column::command;
    if (name == "cpu") return Column::cpu;
    if (name == "power") return Column::power;
    return std::nullopt;
}

long number(const char* text, const char* option)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0) {
        usage(std::string("invalid number for ") + option + ": " + text);
    }
    return value;
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usageText, stdout);
            std::fputs("  logging mode only: <samples> samples of CPU use read from /proc, <seconds> apart;\n"
                       "  POWER is an energy score derived from the CPU use\n",
                       stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) {
            usage("missing value for " + option);
        }
        const char* value = argv[++i];
        if (option == "-l") {
            options.samples = static_cast<int>(number(value, "-l"));
        } else if (option == "-n") {
            options.processLimit = static_cast<size_t>(number(value, "-n"));
        } else if (option == "-s") {
            options.delaySeconds = static_cast<double>(number(value, "-s"));
        } else if (option == "-o") {
            const std::optional<Column> column = columnNamed(value);
            if (!column) {
                usage(std::string("unknown sort key: ") + value);
            }
            options.order = *column;
        } else if (option == "-stats") {
            options.columns.clear();
            std::istringstream list(value);
            for (std::string name; std::getline(list, name, ',');) {
                const std::optional<Column> column = columnNamed(name);
                if (!column) {
                    usage("unknown statistic: " + name);
                }
                options.columns.push_back(*column);
            }
        } else {
            usage("unknown option " + option);
        }
    }
    if (options.samples < 1) {
        usage("only logging mode is available: give -l with one sample or more");
    }
    return options;
}

std::string memory(uint64_t kibibytes)
{
    const uint64_t mebibytes = kibibytes / 1024;
    return mebibytes >= 10240 ? std::to_string(mebibytes / 1024) + "G" : std::to_string(mebibytes) + "M";
}

void printHeading(const simtop::SystemReading* before, const simtop::SystemReading& now)
{
    size_t running = 0;
    size_t sleeping = 0;
    size_t stuck = 0;
    uint64_t threads = 0;
    for (const auto& [pid, process] : now.processes) {
        running += process.state == 'R' ? 1 : 0;
        sleeping += (process.state == 'S' || process.state == 'I') ? 1 : 0;
        stuck += process.state == 'D' ? 1 : 0;
        threads += process.threads;
    }
    std::printf("Processes: %zu total, %zu running, %zu stuck, %zu sleeping, %llu threads \n",
                now.processes.size(), running, stuck, sleeping, static_cast<unsigned long long>(threads));

    const std::time_t seconds = std::chrono::system_clock::to_time_t(now.wallClock);
    std::tm local{};
    localtime_r(&seconds, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y/%m/%d %H:%M:%S", &local);
    std::printf("%s\n", date);
    std::printf("Load Avg: %.2f, %.2f, %.2f \n", now.loadAverage[0], now.loadAverage[1], now.loadAverage[2]);

    uint64_t user = now.userTicks;
    uint64_t system = now.systemTicks;
    uint64_t idle = now.idleTicks;
    if (before != nullptr) {
        user -= std::min(user, before->userTicks);
        system -= std::min(system, before->systemTicks);
        idle -= std::min(idle, before->idleTicks);
    }
    const double total = static_cast<double>(std::max<uint64_t>(1, user + system + idle));
    std::printf("CPU usage: %.2f%% user, %.2f%% sys, %.2f%% idle \n", 100.0 * static_cast<double>(user) / total,
                100.0 * static_cast<double>(system) / total, 100.0 * static_cast<double>(idle) / total);
    const uint64_t used = now.memoryTotalKiB - std::min(now.memoryTotalKiB, now.memoryAvailableKiB);
    std::printf("PhysMem: %s used, %s unused.\n", memory(used).c_str(), memory(now.memoryAvailableKiB).c_str());
    std::printf("\n");
}

void printCell(Column column, const simtop::ProcessRates* row, bool last)
{
    switch (column) {
    case Column::pid:
        row != nullptr ? std::printf("%-7d", static_cast<int>(row->process.pid)) : std::printf("%-7s", "PID");
        break;
    case Column::command:
        row != nullptr ? std::printf("%-16.16s", row->process.command.c_str()) : std::printf("%-16s", "COMMAND");
        break;
    case Column::cpu:
        row != nullptr ? std::printf("%-5.1f", row->cpuPercent) : std::printf("%-5s", "%CPU");
        break;
    case Column::power:
        row != nullptr ? std::printf("%-5.1f", row->power) : std::printf("%-5s", "POWER");
        break;
    }
    std::printf(last ? "\n" : " ");
}

void printSample(const Options& options, const simtop::SystemReading* before, const simtop::SystemReading& now)
{
    printHeading(before, now);
    std::vector<simtop::ProcessRates> rows = simtop::ProcessSampler::rates(before, now);
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        switch (options.order) {
        case Column::pid: return a.process.pid > b.process.pid;
        case Column::command: return a.process.command < b.process.command;
        case Column::cpu: return a.cpuPercent != b.cpuPercent ? a.cpuPercent > b.cpuPercent : a.process.pid > b.process.pid;
        case Column::power: return a.power != b.power ? a.power > b.power : a.process.pid > b.process.pid;
        }
        return false;
    });
    if (options.processLimit && rows.size() > *options.processLimit) {
        rows.resize(*options.processLimit);
    }
    for (size_t i = 0; i < options.columns.size(); ++i) {
        printCell(options.columns[i], nullptr, i + 1 == options.columns.size());
    }
    for (const simtop::ProcessRates& row : rows) {
        for (size_t i = 0; i < options.columns.size(); ++i) {
            printCell(options.columns[i], &row, i + 1 == options.columns.size());
        }
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parse(argc, argv);
    std::optional<simtop::SystemReading> previous;
    for (int sample = 0; sample < options.samples; ++sample) {
        if (previous) {
            std::this_thread::sleep_for(std::chrono::duration<double>(options.delaySeconds));
        }
        simtop::SystemReading now = simtop::ProcessSampler::read();
        printSample(options, previous ? &*previous : nullptr, now);
        previous = std::move(now);
    }
    return 0;
}
