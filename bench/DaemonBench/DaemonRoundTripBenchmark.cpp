// Round trips of fetchSnapshot from a signed client to the real daemon on a
// simulated Mac: latency percentiles over 10,000 calls of one client, and
// throughput with 8 clients at once. The program runs from a bundle signed as
// the application, since the daemon serves nobody else.
#include "DaemonProcess.h"

#include <ExportedDaemonService.h>
#include <VelkoraCore/IPC.h>
#include <VelkoraCore/VelkoraDaemonProtocol.h>

#include <Security/SigningIdentity.h>
#include <Security/TrustStore.h>
#include <TestSupport/SimmacProcess.h>
#include <XPC/NSXPCConnection.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using velkora::VelkoraDaemonProtocol;

// simmac and the daemon, once for the whole run.
class Machine {
public:
    Machine()
    {
        platform::TrustStore(simmac_.root())
            .install(platform::SigningIdentity::load(DEVELOPMENT_IDENTITY).anchorCertificate().publicKey);
        daemon_ = std::make_unique<DaemonProcess>();
    }

private:
    testsupport::SimmacProcess simmac_;
    std::unique_ptr<DaemonProcess> daemon_;
};

Machine& machine()
{
    static Machine machine;
    return machine;
}

class Client {
public:
    Client()
        : connection_(std::make_shared<platform::NSXPCConnection>(std::string(velkora::IPC::machServiceName),
                                                                  platform::NSXPCConnectionOptions::privileged))
    {
        connection_->setRemoteObjectInterface(velkora::ExportedDaemonService::interface());
        connection_->resume();
    }

    ~Client() { connection_->invalidate(); }

    // One fetchSnapshot, waited for as the application's poll loop would.
    bool fetchSnapshot()
    {
        bool ok = false;
        bool done = false;
        auto finish = [&](bool success) {
            std::lock_guard lock(mutex_);
            ok = success;
            done = true;
            ended_.notify_one();
        };
        connection_->remoteObjectProxyWithErrorHandler([&](const platform::NSError&) { finish(false); })
            .send(std::string(VelkoraDaemonProtocol::fetchSnapshotSelector), std::nullopt,
                  [&](platform::NSXPCReplyValue value) { finish(value.data.has_value()); });
        std::unique_lock lock(mutex_);
        ended_.wait(lock, [&] { return done; });
        return ok;
    }

private:
    std::shared_ptr<platform::NSXPCConnection> connection_;
    std::mutex mutex_;
    std::condition_variable ended_;
};

void BM_FetchSnapshotLatency(benchmark::State& state)
{
    machine();
    Client client;
    if (!client.fetchSnapshot()) {
        state.SkipWithError("the daemon refused the client; is the bundle signed?");
        return;
    }
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!client.fetchSnapshot()) {
            state.SkipWithError("a round trip failed");
            return;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    const auto percentile = [&](double fraction) { return micros[static_cast<size_t>(fraction * (micros.size() - 1))]; };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_FetchSnapshotLatency)->Iterations(10000)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_FetchSnapshotThroughput(benchmark::State& state)
{
    machine();
    // Each thread is one client with a connection of its own.
    std::unique_ptr<Client> client;
    for (auto _ : state) {
        if (!client) {
            state.PauseTiming();
            client = std::make_unique<Client>();
            client->fetchSnapshot();
            state.ResumeTiming();
        }
        if (!client->fetchSnapshot()) {
            state.SkipWithError("a round trip failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FetchSnapshotThroughput)->Threads(8)->Iterations(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
