#pragma once

#include <asio.hpp>

#include <cstddef>
#include <memory>
#include <thread>
#include <vector>

namespace platform {

// The few threads that serve a listener: its accepting and every connection
// it accepted, each connection on a strand of its own. A connection costs its
// socket and a watch on its peer, never a thread or an event loop of its own,
// so clients cannot use up the process's threads or descriptors by the
// hundred. Shared by the listener and each of its connections, so that the
// event loop outlives every socket bound to it.
class XPCServingContext : public std::enable_shared_from_this<XPCServingContext> {
public:
    static std::shared_ptr<XPCServingContext> make();

    // Joins the threads, which have ended by then (each holds the context).
    ~XPCServingContext();

    XPCServingContext(const XPCServingContext&) = delete;
    XPCServingContext& operator=(const XPCServingContext&) = delete;

    asio::io_context& io() { return io_; }

    // Starts up to `count` threads; fewer when the system refuses more.
    // Returns how many run.
    std::size_t start(std::size_t count);
    // Lets the threads end once no connection has work left.
    void finish();

private:
    XPCServingContext();

    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> workGuard_;
    std::vector<std::thread> threads_;
};

}  // namespace platform
