// The process's time-out scheduler on the steady clock, which the daemon
// client gives every call.

#include "Services/TimeoutScheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <thread>

namespace velkora::test {

namespace {

using namespace std::chrono_literals;

}  // namespace

TEST(SteadyTimeoutScheduler, ATimeOutRunsOnItsThreadAndOneCancelledNeverRunsAndLetsGoOfItsActionAtOnce)
{
    const std::shared_ptr<TimeoutScheduler> scheduler = TimeoutScheduler::steady();
    std::promise<std::thread::id> ran;
    const auto due = scheduler->schedule(10ms, [&ran] { ran.set_value(std::this_thread::get_id()); });
    std::future<std::thread::id> ranOn = ran.get_future();
    ASSERT_EQ(ranOn.wait_for(5s), std::future_status::ready);
    EXPECT_NE(ranOn.get(), std::this_thread::get_id());

    auto held = std::make_shared<int>(0);
    const std::weak_ptr<int> watched = held;
    std::atomic<bool> cancelledRan = false;
    const auto cancelled = scheduler->schedule(30ms, [held = std::move(held), &cancelledRan] { cancelledRan = true; });
    cancelled->cancel();
    EXPECT_TRUE(watched.expired()) << "what the action holds is let go of when it is cancelled, not at its deadline";
    cancelled->cancel();

    // Due after the cancelled one: by then that one's deadline has passed.
    std::promise<void> later;
    const auto after = scheduler->schedule(80ms, [&later] { later.set_value(); });
    ASSERT_EQ(later.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(cancelledRan);
}

}  // namespace velkora::test
