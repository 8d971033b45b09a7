#include "Simulator/Frame.h"

namespace simulator {

void storeUInt32(std::uint32_t value, std::uint8_t* out)
{
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t loadUInt32(const std::uint8_t* in)
{
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

void encodeFrameHeader(const FrameHeader& header, std::uint8_t* out)
{
    storeUInt32(header.payloadLength, out);
    out[4] = static_cast<std::uint8_t>(header.kind);
}

std::uint8_t* startFrame(FrameKind kind, std::size_t payloadLength, std::vector<std::uint8_t>& frame)
{
    frame.resize(frameHeaderSize + payloadLength);
    encodeFrameHeader({static_cast<std::uint32_t>(payloadLength), kind}, frame.data());
    return frame.data() + frameHeaderSize;
}

std::optional<FrameHeader> decodeFrameHeader(const std::uint8_t* in)
{
    const std::uint32_t length = loadUInt32(in);
    const std::uint8_t kind = in[4];
    if (length > maximumPayloadLength || kind < static_cast<std::uint8_t>(FrameKind::structMethodCall) ||
        kind > static_cast<std::uint8_t>(FrameKind::readingsReply)) {
        return std::nullopt;
    }
    return FrameHeader{length, static_cast<FrameKind>(kind)};
}

}  // namespace simulator
