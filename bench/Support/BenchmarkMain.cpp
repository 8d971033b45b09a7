#include "BenchmarkSupport/BenchmarkMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace velkora::bench {

namespace {

// The console report, remembering every benchmark that stopped with an error.
class FailureNotingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failures.push_back(run.benchmark_name() + ": " + run.error_message);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::vector<std::string> failures;
};

}  // namespace

int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    FailureNotingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const std::string& failure : reporter.failures) {
        std::fprintf(stderr, "benchmark could not run: %s\n", failure.c_str());
    }
    return reporter.failures.empty() ? 0 : 1;
}

}  // namespace velkora::bench
