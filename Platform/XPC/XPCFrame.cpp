#include "XPCFrame.h"

namespace platform {

namespace {

constexpr std::uint8_t dataPresent = 1;
constexpr std::uint8_t textPresent = 2;

void appendInteger(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

class BodyCursor {
public:
    BodyCursor(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool integer(int width, std::uint64_t& value)
    {
        if (remaining() < static_cast<std::size_t>(width)) {
            return false;
        }
        value = 0;
        for (int index = 0; index < width; ++index) {
            value = (value << 8) | bytes_[offset_++];
        }
        return true;
    }

    bool bytes(std::size_t count, const std::uint8_t*& start)
    {
        if (remaining() < count) {
            return false;
        }
        start = bytes_ + offset_;
        offset_ += count;
        return true;
    }

    std::size_t remaining() const { return size_ - offset_; }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

bool lengthPrefixedBytes(BodyCursor& cursor, const std::uint8_t*& start, std::size_t& length)
{
    std::uint64_t declared = 0;
    if (!cursor.integer(4, declared)) {
        return false;
    }
    length = static_cast<std::size_t>(declared);
    return cursor.bytes(length, start);
}

}  // namespace

std::size_t XPCFrame::bodySize() const
{
    std::size_t size = 1 + 8 + 2 + selector.size() + 1;
    if (data) {
        size += 4 + data->size();
    }
    if (text) {
        size += 4 + text->size();
    }
    return size;
}

void XPCFrame::appendEncoded(std::vector<std::uint8_t>& out) const
{
    const std::size_t body = bodySize();
    out.reserve(out.size() + lengthPrefixSize + body);
    appendInteger(out, body, 4);
    out.push_back(static_cast<std::uint8_t>(kind));
    appendInteger(out, requestId, 8);
    appendInteger(out, selector.size(), 2);
    out.insert(out.end(), selector.begin(), selector.end());
    out.push_back(static_cast<std::uint8_t>((data ? dataPresent : 0) | (text ? textPresent : 0)));
    if (data) {
        appendInteger(out, data->size(), 4);
        out.insert(out.end(), data->begin(), data->end());
    }
    if (text) {
        appendInteger(out, text->size(), 4);
        out.insert(out.end(), text->begin(), text->end());
    }
}

std::vector<std::uint8_t> XPCFrame::encoded() const
{
    std::vector<std::uint8_t> out;
    appendEncoded(out);
    return out;
}

std::variant<XPCFrame, std::string> XPCFrame::decodeBody(const std::uint8_t* body, std::size_t size)
{
    BodyCursor cursor(body, size);
    XPCFrame frame;
    std::uint64_t kind = 0;
    std::uint64_t selectorLength = 0;
    std::uint64_t flags = 0;
    const std::uint8_t* selector = nullptr;
    if (!cursor.integer(1, kind) || !cursor.integer(8, frame.requestId) || !cursor.integer(2, selectorLength) ||
        !cursor.bytes(static_cast<std::size_t>(selectorLength), selector) || !cursor.integer(1, flags)) {
        return std::string("frame header is truncated");
    }
    if (kind < static_cast<std::uint8_t>(XPCFrameKind::request) ||
        kind > static_cast<std::uint8_t>(XPCFrameKind::greeting)) {
        return "unknown frame kind " + std::to_string(kind);
    }
    if ((flags & ~std::uint64_t{dataPresent | textPresent}) != 0) {
        return "unknown frame flags " + std::to_string(flags);
    }
    frame.kind = static_cast<XPCFrameKind>(kind);
    frame.selector.assign(reinterpret_cast<const char*>(selector), static_cast<std::size_t>(selectorLength));

    const std::uint8_t* start = nullptr;
    std::size_t length = 0;
    if ((flags & dataPresent) != 0) {
        if (!lengthPrefixedBytes(cursor, start, length)) {
            return std::string("frame data is truncated");
        }
        frame.data.emplace(start, start + length);
    }
    if ((flags & textPresent) != 0) {
        if (!lengthPrefixedBytes(cursor, start, length)) {
            return std::string("frame text is truncated");
        }
        frame.text.emplace(reinterpret_cast<const char*>(start), length);
    }
    if (cursor.remaining() != 0) {
        return std::to_string(cursor.remaining()) + " stray bytes after the frame";
    }

    switch (frame.kind) {
    case XPCFrameKind::request:
        if (frame.selector.empty() || frame.text) {
            return std::string("a request needs a selector and carries no text");
        }
        break;
    case XPCFrameKind::reply:
        break;
    case XPCFrameKind::failure:
        if (!frame.text || frame.data) {
            return std::string("a failure carries a text and no data");
        }
        break;
    case XPCFrameKind::refused:
        if (frame.data || frame.text) {
            return std::string("a refusal carries neither data nor text");
        }
        break;
    case XPCFrameKind::greeting:
        if (frame.data || frame.text) {
            return std::string("a greeting carries neither data nor text");
        }
        break;
    }
    return frame;
}

}  // namespace platform
