#include "SMCKit/SMCError.h"

namespace smckit {

namespace {

std::string quoted(const std::string& key)
{
    return "\"" + key + "\"";
}

}  // namespace

SMCError::SMCError(Kind kind, std::string key, kern_return_t kIOReturn, std::uint8_t smcResult,
                   std::uint32_t expected, std::uint32_t actual)
    : kind_(kind), key_(std::move(key)), kIOReturn_(kIOReturn), smcResult_(smcResult), expected_(expected),
      actual_(actual)
{
    switch (kind_) {
    case Kind::keyNotFound: summary_ = "keyNotFound(" + quoted(key_) + ")"; break;
    case Kind::dataTypeMismatch: summary_ = "dataTypeMismatch(" + quoted(key_) + ")"; break;
    case Kind::connectionFailed: summary_ = "connectionFailed(kIOReturn: " + std::to_string(kIOReturn_) + ")"; break;
    case Kind::invalidDataSize:
        summary_ = "invalidDataSize(" + quoted(key_) + ", expected: " + std::to_string(expected_) +
                   ", actual: " + std::to_string(actual_) + ")";
        break;
    case Kind::invalidStringData: summary_ = "invalidStringData(" + quoted(key_) + ")"; break;
    case Kind::unknown:
        summary_ = "unknown(" + quoted(key_) + ", kIOReturn: " + std::to_string(kIOReturn_) +
                   ", SMCResult: " + std::to_string(smcResult_) + ")";
        break;
    case Kind::notPrivileged: summary_ = "notPrivileged"; break;
    }
}

SMCError SMCError::keyNotFound(std::string key)
{
    return {Kind::keyNotFound, std::move(key), 0, 0, 0, 0};
}

SMCError SMCError::dataTypeMismatch(std::string key)
{
    return {Kind::dataTypeMismatch, std::move(key), 0, 0, 0, 0};
}

SMCError SMCError::connectionFailed(kern_return_t kIOReturn)
{
    return {Kind::connectionFailed, {}, kIOReturn, 0, 0, 0};
}

SMCError SMCError::invalidDataSize(std::string key, std::uint32_t expected, std::uint32_t actual)
{
    return {Kind::invalidDataSize, std::move(key), 0, 0, expected, actual};
}

SMCError SMCError::invalidStringData(std::string key)
{
    return {Kind::invalidStringData, std::move(key), 0, 0, 0, 0};
}

SMCError SMCError::unknown(std::string key, kern_return_t kIOReturn, std::uint8_t smcResult)
{
    return {Kind::unknown, std::move(key), kIOReturn, smcResult, 0, 0};
}

SMCError SMCError::notPrivileged()
{
    return {Kind::notPrivileged, {}, 0, 0, 0, 0};
}

bool SMCError::operator==(const SMCError& other) const
{
    return kind_ == other.kind_ && key_ == other.key_ && kIOReturn_ == other.kIOReturn_ &&
           smcResult_ == other.smcResult_ && expected_ == other.expected_ && actual_ == other.actual_;
}

}  // namespace smckit
