#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class XPCConnectionCore;

// What a reply block receives. For a method whose reply is one text, `text` is
// always present and `data` absent; for the other shape either may be absent.
struct NSXPCReplyValue {
    std::optional<std::vector<std::uint8_t>> data;
    std::optional<std::string> text;
};

// The caller's reply block; it runs on the connection's own thread.
using NSXPCReplyHandler = std::function<void(NSXPCReplyValue)>;

// The reply block an exported object receives with each request. Copies share
// one answer: the first call sends it, later calls do nothing. It may be called
// from any thread. When the last copy is destroyed without having been called,
// the caller's error handler receives NSXPCConnectionReplyInvalid for that
// message, so a forgotten reply never leaves a request hanging on the peer.
class NSXPCReply {
public:
    // For a method whose reply is one text.
    void operator()(std::string text) const;
    // For a method whose reply is a byte blob and a text, either of which may be absent.
    void operator()(std::optional<std::vector<std::uint8_t>> data, std::optional<std::string> text) const;

private:
    friend class XPCConnectionCore;
    struct State;

    static NSXPCReply make(std::weak_ptr<XPCConnectionCore> core, std::uint64_t epoch, std::uint64_t requestId,
                           std::string selector);
    explicit NSXPCReply(std::shared_ptr<State> state);
    void send(NSXPCReplyValue value) const;

    std::shared_ptr<State> state_;
};

}  // namespace platform
