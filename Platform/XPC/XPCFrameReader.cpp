#include "XPCFrameReader.h"

#include <variant>

namespace platform {

void XPCFrameReader::append(const std::uint8_t* bytes, std::size_t count)
{
    if (start_ == buffer_.size()) {
        reset();
    } else if (start_ > buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + count);
}

XPCFrameReader::Result XPCFrameReader::next()
{
    Result result;
    const std::size_t available = buffer_.size() - start_;
    if (available < XPCFrame::lengthPrefixSize) {
        return result;
    }
    const std::uint8_t* prefix = buffer_.data() + start_;
    const std::size_t bodySize = (std::size_t{prefix[0]} << 24) | (std::size_t{prefix[1]} << 16) |
                                 (std::size_t{prefix[2]} << 8) | std::size_t{prefix[3]};
    if (bodySize == 0 || bodySize > XPCFrame::maximumBodySize) {
        result.status = Status::invalid;
        result.problem = "frame length " + std::to_string(bodySize) + " is outside 1 ... " +
                         std::to_string(XPCFrame::maximumBodySize) + " bytes";
        return result;
    }
    if (available < XPCFrame::lengthPrefixSize + bodySize) {
        return result;
    }
    auto decoded = XPCFrame::decodeBody(prefix + XPCFrame::lengthPrefixSize, bodySize);
    start_ += XPCFrame::lengthPrefixSize + bodySize;
    if (auto* problem = std::get_if<std::string>(&decoded)) {
        result.status = Status::invalid;
        result.problem = std::move(*problem);
        return result;
    }
    result.status = Status::frame;
    result.frame = std::move(std::get<XPCFrame>(decoded));
    return result;
}

void XPCFrameReader::reset()
{
    // A connection that once carried a large frame should not keep its buffer.
    constexpr std::size_t retainedCapacity = 64 * 1024;
    if (buffer_.capacity() > retainedCapacity) {
        std::vector<std::uint8_t>().swap(buffer_);
    } else {
        buffer_.clear();
    }
    start_ = 0;
}

}  // namespace platform
