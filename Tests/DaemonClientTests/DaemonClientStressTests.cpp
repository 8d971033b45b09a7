#include "Services/CancellationError.h"
#include "Services/ClientError.h"
#include "Services/DaemonClient.h"
#include "VelkoraCore/CodingError.h"
#include "VelkoraCore/IPC.h"

#include "EventLoop.h"
#include "FakeDaemonPeer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

namespace velkora::test {
namespace {

using namespace std::chrono_literals;

// What the daemon does with one request.
enum class Behaviour { reply, replyLater, hold, dropConnection, unanswered, garbage, errorText, nothing };

constexpr int callers = 4;
constexpr int callsPerCaller = 250;

struct Script {
    std::mutex mutex;
    std::mt19937 random{20260101};
    std::map<std::int64_t, Behaviour> chosen;

    Behaviour choose(std::int64_t number)
    {
        std::lock_guard lock(mutex);
        // Holding, dropping and not answering each end every call pending at
        // the time, so they are rarer than the rest.
        const int roll = std::uniform_int_distribution<int>(0, 999)(random);
        const Behaviour behaviour = roll < 450   ? Behaviour::reply
                                    : roll < 800 ? Behaviour::replyLater
                                    : roll < 810 ? Behaviour::hold
                                    : roll < 818 ? Behaviour::dropConnection
                                    : roll < 826 ? Behaviour::unanswered
                                    : roll < 876 ? Behaviour::garbage
                                    : roll < 946 ? Behaviour::errorText
                                                 : Behaviour::nothing;
        chosen[number] = behaviour;
        return behaviour;
    }

    std::optional<Behaviour> behaviourFor(std::int64_t number)
    {
        std::lock_guard lock(mutex);
        const auto found = chosen.find(number);
        return found == chosen.end() ? std::nullopt : std::optional(found->second);
    }

    int delayMicroseconds()
    {
        std::lock_guard lock(mutex);
        return std::uniform_int_distribution<int>(0, 20000)(random);
    }
};

PowerSnapshot snapshotNumbered(std::int64_t number)
{
    PowerSnapshot snapshot;
    snapshot.battery.percentage = number;
    return snapshot;
}

ControlCommand commandNumbered(std::int64_t number)
{
    ChargePolicy policy;
    policy.chargeLimit = number;
    return ControlCommand::setPolicy(policy);
}

// How the callers start their calls.
struct Pace {
    const char* name;
    // Longest pause after each call, in milliseconds: 0 starts all at once.
    int pauseMilliseconds;
    double shortestTimeout;
    double longestTimeout;
    // Shortest and longest time between the client's own drops of its connection, in milliseconds.
    int shortestDropInterval;
    int longestDropInterval;
};

using Tally = std::map<std::string, int>;

// A thousand calls from four threads, each with a random time-out, some
// cancelled by another thread at a random moment, while the client drops
// its connection now and then and the daemon answers, answers late, never
// answers, answers with garbage or errors, or closes the connection. Every
// call must end exactly once, with its own reply or an error its fate allows.
Tally runCalls(const Pace& pace)
{
    Tally tally;
    std::string pattern = (std::filesystem::temp_directory_path() / "daemon-client-stress-XXXXXX").string();
    EXPECT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path root = pattern;
    setenv("SIMMAC_ROOT", root.c_str(), 1);

    Script script;
    std::unique_ptr<FakeDaemonPeer> peer;
    peer = std::make_unique<FakeDaemonPeer>([&](DaemonRequest request) {
        const auto command = IPC::decode<ControlCommand>(*request.argument);
        const std::int64_t number = std::get<ControlCommand::SetPolicy>(command.payload).policy.chargeLimit;
        const Bytes reply = IPC::encode(snapshotNumbered(number));
        switch (script.choose(number)) {
        case Behaviour::reply:
            request.answer(reply, std::nullopt);
            break;
        case Behaviour::replyLater:
            peer->later(std::chrono::microseconds(script.delayMicroseconds()),
                        [request, reply] { request.answer(reply, std::nullopt); });
            break;
        case Behaviour::hold:
            peer->hold(std::move(request));
            break;
        case Behaviour::dropConnection:
            request.dropConnection();
            break;
        case Behaviour::unanswered:
            break;
        case Behaviour::garbage:
            request.answer(Bytes{'{', 'x'}, std::nullopt);
            break;
        case Behaviour::errorText:
            request.answer(std::nullopt, "refused " + std::to_string(number));
            break;
        case Behaviour::nothing:
            request.answer(std::nullopt, std::nullopt);
            break;
        }
    });

    const std::shared_ptr<DaemonClient> client = DaemonClient::create();
    std::vector<Outcome<PowerSnapshot>> outcomes(callers * callsPerCaller);
    std::vector<std::stop_source> cancellations(outcomes.size());
    std::atomic<bool> calling{true};

    std::thread dropper([&] {
        std::mt19937 random(7);
        while (calling) {
            std::this_thread::sleep_for(
                std::chrono::milliseconds(std::uniform_int_distribution<int>(pace.shortestDropInterval,
                                                                             pace.longestDropInterval)(random)));
            client->invalidateConnection();
        }
    });

    std::vector<std::thread> threads;
    for (int caller = 0; caller < callers; ++caller) {
        threads.emplace_back([&, caller] {
            std::mt19937 random(static_cast<unsigned>(caller) + 100);
            std::vector<std::unique_ptr<Started<PowerSnapshot>>> started;
            for (int call = 0; call < callsPerCaller; ++call) {
                const std::size_t number = static_cast<std::size_t>(caller * callsPerCaller + call);
                const double timeout =
                    std::uniform_real_distribution<double>(pace.shortestTimeout, pace.longestTimeout)(random);
                if (std::uniform_int_distribution<int>(0, 9)(random) == 0) {
                    peer->later(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)),
                                [&cancellations, number] { cancellations[number].request_stop(); });
                }
                started.push_back(std::make_unique<Started<PowerSnapshot>>(client->perform(
                    commandNumbered(static_cast<std::int64_t>(number)), timeout, cancellations[number].get_token())));
                if (pace.pauseMilliseconds > 0) {
                    // Calls keep coming while earlier ones end.
                    runEventsFor(std::chrono::milliseconds(
                        std::uniform_int_distribution<int>(0, pace.pauseMilliseconds)(random)));
                }
            }
            runEventsUntil(
                [&] {
                    return std::all_of(started.begin(), started.end(), [](const auto& one) { return one->ended(); });
                },
                60s);
            // Anything arriving late would show as a second ending.
            runEventsFor(100ms);
            for (int call = 0; call < callsPerCaller; ++call) {
                outcomes[static_cast<std::size_t>(caller * callsPerCaller + call)] = started[call]->outcome();
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    calling = false;
    dropper.join();

    for (std::size_t number = 0; number < outcomes.size(); ++number) {
        SCOPED_TRACE("call " + std::to_string(number));
        const Outcome<PowerSnapshot>& outcome = outcomes[number];
        EXPECT_EQ(outcome.endings, 1);
        if (outcome.endings == 0) {
            continue;
        }
        const std::optional<Behaviour> behaviour = script.behaviourFor(static_cast<std::int64_t>(number));
        if (outcome.value) {
            ++tally["reply"];
            EXPECT_EQ(outcome.value->battery.percentage, static_cast<std::int64_t>(number)) << "another call's reply";
            EXPECT_TRUE(behaviour == Behaviour::reply || behaviour == Behaviour::replyLater);
            continue;
        }
        try {
            std::rethrow_exception(outcome.error);
        } catch (const ClientError& error) {
            switch (error.kind()) {
            case ClientError::Kind::connectionUnavailable:
                ++tally["connection unavailable"];
                break;
            case ClientError::Kind::invalidResponse:
                ++tally["invalid response"];
                EXPECT_EQ(behaviour, Behaviour::nothing);
                break;
            case ClientError::Kind::remote:
                if (error.remoteText().rfind("refused ", 0) == 0) {
                    ++tally["error text"];
                    EXPECT_EQ(error.remoteText(), "refused " + std::to_string(number)) << "another call's error";
                } else {
                    ++tally["transport error"];
                }
                break;
            }
        } catch (const DecodingError&) {
            ++tally["garbage"];
            EXPECT_EQ(behaviour, Behaviour::garbage);
        } catch (const CancellationError&) {
            ++tally["cancelled"];
        } catch (const std::exception& other) {
            ADD_FAILURE() << "unexpected error: " << other.what();
        }
    }
    std::printf("%s:", pace.name);
    for (const auto& [kind, count] : tally) {
        std::printf(" %s %d;", kind.c_str(), count);
    }
    std::printf("\n");

    // The client is none the worse for it. The first daemon dies before its
    // pointer is let go: a request it is still serving uses the pointer.
    peer->die();
    peer.reset();
    peer = std::make_unique<FakeDaemonPeer>(
        [](DaemonRequest request) { request.answer(IPC::encode(snapshotNumbered(1)), std::nullopt); });
    EXPECT_EQ(await(client->fetchSnapshot(3)).value, snapshotNumbered(1));

    peer.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return tally;
}

// With a thousand calls in flight, the first failure of the connection ends
// most of them at once: the point is that each still ends exactly once.
TEST(DaemonClientStressTest, ConcurrentCallsStartedAtOnceEachEndExactlyOnce)
{
    runCalls(Pace{"at once", 0, 0.2, 0.5, 100, 200});
}

TEST(DaemonClientStressTest, ConcurrentCallsStartedOverTimeEachEndExactlyOnceWithEveryKindOfEnding)
{
    Tally tally = runCalls(Pace{"over time", 2, 0.005, 0.3, 20, 60});
    for (const char* kind : {"reply", "connection unavailable", "error text", "transport error", "garbage",
                             "cancelled", "invalid response"}) {
        EXPECT_GT(tally[kind], 0) << "no call ended as " << kind;
    }
}

}  // namespace
}  // namespace velkora::test
