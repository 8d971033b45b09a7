#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XPCFrame.h"
#include "XPCFrameReader.h"

namespace platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

void expectSameFrame(const XPCFrame& actual, const XPCFrame& expected)
{
    EXPECT_EQ(actual.kind, expected.kind);
    EXPECT_EQ(actual.requestId, expected.requestId);
    EXPECT_EQ(actual.selector, expected.selector);
    EXPECT_EQ(actual.data, expected.data);
    EXPECT_EQ(actual.text, expected.text);
}

std::vector<XPCFrame> sampleFrames()
{
    return {
        {XPCFrameKind::request, 1, "pingWithReply:", std::nullopt, std::nullopt},
        {XPCFrameKind::request, 0xFFFFFFFFFFFFFFFFull, "performWithCommandData:reply:", Bytes{'{', '}'}, std::nullopt},
        {XPCFrameKind::request, 7, "echoWithData:reply:", Bytes{}, std::nullopt},
        {XPCFrameKind::reply, 1, "pingWithReply:", std::nullopt, std::string("Velkora charging helper protocol 10")},
        {XPCFrameKind::reply, 2, "fetchSnapshotWithReply:", Bytes{0, 1, 2, 255}, std::nullopt},
        {XPCFrameKind::reply, 3, "fetchPolicyWithReply:", std::nullopt, std::string("这台 Mac 没有内置电池")},
        {XPCFrameKind::reply, 4, "healthWithReply:", std::nullopt, std::nullopt},
        {XPCFrameKind::reply, 5, "healthWithReply:", Bytes{'x'}, std::string("both")},
        {XPCFrameKind::failure, 6, "dropWithReply:", std::nullopt, std::string("released")},
        {XPCFrameKind::refused, 0, "", std::nullopt, std::nullopt},
    };
}

TEST(XPCFrameTest, EveryShapeSurvivesTheWireEvenFedOneByteAtATime)
{
    for (const XPCFrame& frame : sampleFrames()) {
        SCOPED_TRACE(frame.selector);
        const Bytes wire = frame.encoded();
        ASSERT_EQ(wire.size(), XPCFrame::lengthPrefixSize + frame.bodySize());

        XPCFrameReader reader;
        for (size_t index = 0; index + 1 < wire.size(); ++index) {
            reader.append(&wire[index], 1);
            ASSERT_EQ(reader.next().status, XPCFrameReader::Status::needMore) << "at byte " << index;
            EXPECT_TRUE(reader.hasPartialFrame());
        }
        reader.append(&wire.back(), 1);
        XPCFrameReader::Result result = reader.next();
        ASSERT_EQ(result.status, XPCFrameReader::Status::frame) << result.problem;
        expectSameFrame(result.frame, frame);
        EXPECT_FALSE(reader.hasPartialFrame());
    }
}

TEST(XPCFrameTest, FramesArrivingTogetherComeOutInOrder)
{
    Bytes wire;
    for (const XPCFrame& frame : sampleFrames()) {
        frame.appendEncoded(wire);
    }
    XPCFrameReader reader;
    reader.append(wire.data(), wire.size());
    for (const XPCFrame& frame : sampleFrames()) {
        XPCFrameReader::Result result = reader.next();
        ASSERT_EQ(result.status, XPCFrameReader::Status::frame) << result.problem;
        expectSameFrame(result.frame, frame);
    }
    EXPECT_EQ(reader.next().status, XPCFrameReader::Status::needMore);
    EXPECT_FALSE(reader.hasPartialFrame());
}

TEST(XPCFrameTest, TheLargestAllowedBodyIsAccepted)
{
    XPCFrame frame{XPCFrameKind::reply, 9, "echoWithData:reply:", Bytes{}, std::nullopt};
    frame.data->resize(XPCFrame::maximumBodySize - frame.bodySize());
    ASSERT_EQ(frame.bodySize(), XPCFrame::maximumBodySize);
    const Bytes wire = frame.encoded();
    XPCFrameReader reader;
    reader.append(wire.data(), wire.size());
    XPCFrameReader::Result result = reader.next();
    ASSERT_EQ(result.status, XPCFrameReader::Status::frame) << result.problem;
    EXPECT_EQ(result.frame.data->size(), frame.data->size());
}

Bytes withPrefix(const Bytes& body)
{
    const auto size = static_cast<std::uint32_t>(body.size());
    Bytes wire{static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
               static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    wire.insert(wire.end(), body.begin(), body.end());
    return wire;
}

// kind, request id 1, selector "s", then the given flags and fields.
Bytes body(std::uint8_t kind, std::uint8_t flags, const Bytes& fields = {})
{
    Bytes out{kind, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 's', flags};
    out.insert(out.end(), fields.begin(), fields.end());
    return out;
}

TEST(XPCFrameTest, MalformedInputIsRefused)
{
    const struct {
        const char* name;
        Bytes wire;
    } cases[] = {
        {"zero length", Bytes{0, 0, 0, 0}},
        {"one byte over 1 MiB, refused from the prefix alone", Bytes{0, 0x10, 0, 1}},
        {"text of a web request", Bytes{'G', 'E', 'T', ' ', '/', ' ', 'H'}},
        {"header cut short", withPrefix(Bytes{1, 0, 0})},
        {"selector longer than the body", withPrefix(Bytes{1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 9, 's', 0})},
        {"unknown kind", withPrefix(body(9, 0))},
        {"kind zero", withPrefix(body(0, 0))},
        {"unknown flag", withPrefix(body(1, 4))},
        {"data longer than the body", withPrefix(body(2, 1, Bytes{0, 0, 0, 5, 'a'}))},
        {"text length cut short", withPrefix(body(2, 2, Bytes{0, 0}))},
        {"stray bytes after the frame", withPrefix(body(2, 0, Bytes{0}))},
        {"request carrying a text", withPrefix(body(1, 2, Bytes{0, 0, 0, 1, 'x'}))},
        {"request without a selector", withPrefix(Bytes{1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0})},
        {"failure without a text", withPrefix(body(3, 0))},
        {"refusal carrying data", withPrefix(body(4, 1, Bytes{0, 0, 0, 0}))},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        XPCFrameReader reader;
        reader.append(testCase.wire.data(), testCase.wire.size());
        XPCFrameReader::Result result = reader.next();
        EXPECT_EQ(result.status, XPCFrameReader::Status::invalid);
        EXPECT_FALSE(result.problem.empty());
    }
}

}  // namespace
}  // namespace platform
