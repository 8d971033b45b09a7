#include "Simulator/QueryMessage.h"

#include <algorithm>

#include "Simulator/Frame.h"

namespace simulator {

void encodeQueryCall(const QueryCall& call, std::vector<std::uint8_t>& frame)
{
    if (call.operation != QueryOperation::registryProperty && call.operation != QueryOperation::registryProperties) {
        *startFrame(FrameKind::queryCall, 1, frame) = static_cast<std::uint8_t>(call.operation);
        return;
    }
    const std::string_view key = call.operation == QueryOperation::registryProperty ? call.key : std::string_view();
    std::uint8_t* out = startFrame(FrameKind::queryCall, 2 + call.className.size() + key.size(), frame);
    *out++ = static_cast<std::uint8_t>(call.operation);
    *out++ = static_cast<std::uint8_t>(call.className.size());
    out = std::copy(call.className.begin(), call.className.end(), out);
    std::copy(key.begin(), key.end(), out);
}

void encodeQueryReply(const QueryReply& reply, std::vector<std::uint8_t>& frame)
{
    std::uint8_t* out = startFrame(FrameKind::queryReply, 1 + reply.body.size(), frame);
    *out++ = static_cast<std::uint8_t>(reply.outcome);
    std::copy(reply.body.begin(), reply.body.end(), out);
}

std::optional<QueryCall> decodeQueryCall(std::span<const std::uint8_t> payload)
{
    if (payload.empty()) {
        return std::nullopt;
    }
    const auto text = [](std::span<const std::uint8_t> bytes) {
        return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    switch (static_cast<QueryOperation>(payload[0])) {
    case QueryOperation::registryProperty: {
        if (payload.size() < 2 || payload.size() - 2 < payload[1]) {
            return std::nullopt;
        }
        const std::size_t classLength = payload[1];
        return QueryCall{QueryOperation::registryProperty, text(payload.subspan(2, classLength)),
                            text(payload.subspan(2 + classLength))};
    }
    case QueryOperation::registryProperties:
        if (payload.size() < 2 || payload.size() - 2 != payload[1]) {
            return std::nullopt;
        }
        return QueryCall{QueryOperation::registryProperties, text(payload.subspan(2)), {}};
    case QueryOperation::powerSources:
    case QueryOperation::operatingSystemVersion:
        if (payload.size() != 1) {
            return std::nullopt;
        }
        return QueryCall{static_cast<QueryOperation>(payload[0]), {}, {}};
    }
    return std::nullopt;
}

std::optional<QueryReply> decodeQueryReply(std::span<const std::uint8_t> payload)
{
    if (payload.empty() || payload[0] > static_cast<std::uint8_t>(QueryOutcome::error)) {
        return std::nullopt;
    }
    return QueryReply{static_cast<QueryOutcome>(payload[0]), payload.subspan(1)};
}

}  // namespace simulator
