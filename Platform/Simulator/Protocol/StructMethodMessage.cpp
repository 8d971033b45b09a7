#include "Simulator/StructMethodMessage.h"

#include "Simulator/Frame.h"

#include <algorithm>

namespace simulator {

namespace {

void encode(FrameKind kind, std::uint32_t first, std::optional<std::uint32_t> second,
            std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& frame)
{
    const std::size_t fixed = second ? 8 : 4;
    std::uint8_t* out = startFrame(kind, fixed + bytes.size(), frame);
    storeUInt32(first, out);
    if (second) {
        storeUInt32(*second, out + 4);
    }
    std::copy(bytes.begin(), bytes.end(), out + fixed);
}

}  // namespace

void encodeStructMethodCall(const StructMethodCall& call, std::vector<std::uint8_t>& frame)
{
    encode(FrameKind::structMethodCall, call.selector, call.outputCapacity, call.input, frame);
}

void encodeStructMethodReply(const StructMethodReply& reply, std::vector<std::uint8_t>& frame)
{
    encode(FrameKind::structMethodReply, static_cast<std::uint32_t>(reply.status), std::nullopt, reply.output, frame);
}

std::optional<StructMethodCall> decodeStructMethodCall(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 8 || payload.size() - 8 > maximumStructSize) {
        return std::nullopt;
    }
    StructMethodCall call;
    call.selector = loadUInt32(payload.data());
    call.outputCapacity = loadUInt32(payload.data() + 4);
    if (call.outputCapacity > maximumStructSize) {
        return std::nullopt;
    }
    call.input = payload.subspan(8);
    return call;
}

std::optional<StructMethodReply> decodeStructMethodReply(std::span<const std::uint8_t> payload)
{
    if (payload.size() < 4 || payload.size() - 4 > maximumStructSize) {
        return std::nullopt;
    }
    return StructMethodReply{static_cast<std::int32_t>(loadUInt32(payload.data())), payload.subspan(4)};
}

}  // namespace simulator
