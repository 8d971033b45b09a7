// What the application pays each time it reads its helper's registration
// (one request to simmac's launchd on a fresh connection).

#include "ServiceManagement/SMAppService.h"
#include "TestSupport/SimmacProcess.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

void DaemonStatusRead(benchmark::State& state)
{
    testsupport::SimmacProcess simmac;
    const fs::path bundle = simmac.root() / "Applications/Bench.app";
    const fs::path daemons = bundle / "Contents/Library/LaunchDaemons";
    fs::create_directories(daemons);
    fs::copy_file("/bin/true", daemons / "daemon");
    std::ofstream(daemons / "bench.plist")
        << "<plist version=\"1.0\"><dict><key>Label</key><string>com.velkora.bench</string>"
           "<key>BundleProgram</key><string>Contents/Library/LaunchDaemons/daemon</string>"
           "<key>MachServices</key><dict><key>com.velkora.bench</key><true/></dict></dict></plist>";
    platform::SMDaemonService daemon(bundle, "bench.plist");
    try {
        daemon.registerService();
    } catch (const std::exception&) {
        // Waiting for approval is the state whose reading is measured.
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(daemon.status());
    }
}
BENCHMARK(DaemonStatusRead)->Unit(benchmark::kMicrosecond);

}  // namespace
