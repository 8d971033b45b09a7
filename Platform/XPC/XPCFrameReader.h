#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "XPCFrame.h"

namespace platform {

// Cuts the byte stream of a socket into frames. A declared body length of zero
// or above XPCFrame::maximumBodySize is refused as soon as the four length bytes
// are in, before any of the body is buffered.
class XPCFrameReader {
public:
    enum class Status { frame, needMore, invalid };

    struct Result {
        Status status = Status::needMore;
        XPCFrame frame;
        std::string problem;
    };

    void append(const std::uint8_t* bytes, std::size_t count);
    Result next();

    // Whether bytes of a frame that is not complete yet are buffered.
    bool hasPartialFrame() const { return start_ < buffer_.size(); }
    void reset();

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t start_ = 0;
};

}  // namespace platform
