#include "XPC/NSXPCReply.h"

#include <atomic>

#include "XPCConnectionCore.h"

namespace platform {

struct NSXPCReply::State {
    State(std::weak_ptr<XPCConnectionCore> core, std::uint64_t epoch, std::uint64_t requestId, std::string selector)
        : core(std::move(core)), epoch(epoch), requestId(requestId), selector(std::move(selector))
    {
    }

    ~State()
    {
        if (answered.load()) {
            return;
        }
        if (auto connection = core.lock()) {
            connection->answerFailure(epoch, requestId, selector,
                                      "the exported object released the reply without answering");
        }
    }

    const std::weak_ptr<XPCConnectionCore> core;
    const std::uint64_t epoch;
    const std::uint64_t requestId;
    const std::string selector;
    std::atomic<bool> answered{false};
};

NSXPCReply NSXPCReply::make(std::weak_ptr<XPCConnectionCore> core, std::uint64_t epoch, std::uint64_t requestId,
                            std::string selector)
{
    return NSXPCReply(std::make_shared<State>(std::move(core), epoch, requestId, std::move(selector)));
}

NSXPCReply::NSXPCReply(std::shared_ptr<State> state) : state_(std::move(state)) {}

void NSXPCReply::operator()(std::string text) const
{
    send(NSXPCReplyValue{std::nullopt, std::move(text)});
}

void NSXPCReply::operator()(std::optional<std::vector<std::uint8_t>> data, std::optional<std::string> text) const
{
    send(NSXPCReplyValue{std::move(data), std::move(text)});
}

void NSXPCReply::send(NSXPCReplyValue value) const
{
    if (state_->answered.exchange(true)) {
        return;
    }
    if (auto connection = state_->core.lock()) {
        connection->answer(state_->epoch, state_->requestId, state_->selector, std::move(value));
    }
}

}  // namespace platform
