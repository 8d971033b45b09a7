// Round trips of one request and its reply over the XPC stand-in: latency
// percentiles for one client, and throughput with 8 clients at once.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "XPC/NSXPCConnection.h"
#include "XPC/NSXPCListener.h"

namespace {

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

const std::string serviceName = "com.velkora.bench-service";

NSXPCInterface benchInterface()
{
    return NSXPCInterface("BenchProtocol", {{"fetchSnapshotWithReply:", NSXPCArgument::none, NSXPCReplyShape::dataAndText}});
}

// Answers with a payload the size of a published power snapshot.
class SnapshotService : public NSXPCExportedObject {
public:
    void dispatch(const std::string&, std::optional<Bytes>, NSXPCReply reply) override { reply(snapshot_, std::nullopt); }

private:
    const Bytes snapshot_ = Bytes(900, '7');
};

class AcceptAll : public NSXPCListenerDelegate {
public:
    bool shouldAcceptNewConnection(NSXPCListener&, std::shared_ptr<NSXPCConnection> connection) override
    {
        connection->setExportedInterface(benchInterface());
        connection->setExportedObject(service_);
        connection->resume();
        return true;
    }

private:
    std::shared_ptr<SnapshotService> service_ = std::make_shared<SnapshotService>();
};

class Service {
public:
    Service()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "xpc-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        root_ = pattern;
        setenv("SIMMAC_ROOT", root_.c_str(), 1);
        listener_ = std::make_unique<NSXPCListener>(serviceName);
        listener_->setDelegate(std::make_shared<AcceptAll>());
        listener_->resume();
    }

    ~Service()
    {
        listener_.reset();
        std::filesystem::remove_all(root_);
    }

private:
    std::filesystem::path root_;
    std::unique_ptr<NSXPCListener> listener_;
};

class Client {
public:
    Client() : connection_(std::make_shared<NSXPCConnection>(serviceName, NSXPCConnectionOptions::none))
    {
        connection_->setRemoteObjectInterface(benchInterface());
        connection_->resume();
    }

    // One message, waited for as a caller would.
    bool roundTrip()
    {
        bool ok = false;
        bool done = false;
        auto finish = [&](bool success) {
            std::lock_guard lock(mutex_);
            ok = success;
            done = true;
            ended_.notify_one();
        };
        connection_->remoteObjectProxyWithErrorHandler([&](const NSError&) { finish(false); })
            .send("fetchSnapshotWithReply:", std::nullopt, [&](NSXPCReplyValue value) { finish(value.data.has_value()); });
        std::unique_lock lock(mutex_);
        ended_.wait(lock, [&] { return done; });
        return ok;
    }

private:
    std::shared_ptr<NSXPCConnection> connection_;
    std::mutex mutex_;
    std::condition_variable ended_;
};

void BM_RoundTripLatency(benchmark::State& state)
{
    Service service;
    Client client;
    client.roundTrip();
    std::vector<double> micros;
    micros.reserve(20000);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!client.roundTrip()) {
            state.SkipWithError("a round trip failed");
            return;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    auto percentile = [&](double fraction) { return micros[static_cast<size_t>(fraction * (micros.size() - 1))]; };
    state.counters["p50_us"] = percentile(0.50);
    state.counters["p99_us"] = percentile(0.99);
    state.counters["max_us"] = micros.back();
}
BENCHMARK(BM_RoundTripLatency)->Iterations(10000)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_RoundTripThroughput(benchmark::State& state)
{
    static std::unique_ptr<Service> service;
    if (state.thread_index() == 0) {
        service = std::make_unique<Service>();
    }
    // Each thread is one client with a connection of its own; they start together after the setup above.
    std::unique_ptr<Client> client;
    for (auto _ : state) {
        if (!client) {
            state.PauseTiming();
            client = std::make_unique<Client>();
            client->roundTrip();
            state.ResumeTiming();
        }
        if (!client->roundTrip()) {
            state.SkipWithError("a round trip failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    client.reset();
    if (state.thread_index() == 0) {
        service.reset();
    }
}
BENCHMARK(BM_RoundTripThroughput)->Threads(8)->Iterations(5000)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
