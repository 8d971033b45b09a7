#include "HardwareError.h"

#include <SMCKit/SMCError.h>

#include <utility>

namespace velkora {

HardwareError::HardwareError(Kind kind, std::string description) : kind_(kind), description_(std::move(description))
{
}

HardwareError HardwareError::unsupported(std::string message)
{
    return {Kind::unsupported, std::move(message)};
}

HardwareError HardwareError::commandFailed(std::string message)
{
    return {Kind::commandFailed, std::move(message)};
}

HardwareError HardwareError::smcWriteFailed(const std::string& key, const std::string& value, const std::string& cause)
{
    return {Kind::smcWriteFailed, "无法写入 SMC 控制键 " + key + "=" + value + "：" + cause};
}

HardwareError HardwareError::controlValueMismatch(const std::string& key, const std::string& type,
                                                  std::int64_t expected, std::int64_t actual)
{
    return {Kind::controlValueMismatch, "SMC 控制键 " + key + "（" + type + "）需要 " + std::to_string(expected) +
                                            " 字节，实际为 " + std::to_string(actual) + " 字节"};
}

HardwareError HardwareError::unsupportedControlType(const std::string& key, const std::string& type, std::int64_t size)
{
    return {Kind::unsupportedControlType,
            "暂不支持 SMC 控制键 " + key + " 的数据类型 " + type + "（" + std::to_string(size) + " 字节）"};
}

std::string describeSMCError(const std::exception& error)
{
    const auto* smcError = dynamic_cast<const smckit::SMCError*>(&error);
    if (smcError == nullptr) {
        return error.what();
    }
    using Kind = smckit::SMCError::Kind;
    const std::string& key = smcError->key();
    switch (smcError->kind()) {
    case Kind::keyNotFound:
        return "未找到控制键 " + key;
    case Kind::dataTypeMismatch:
        return "控制键 " + key + " 的数据类型不匹配";
    case Kind::connectionFailed:
        return "无法连接 SMC（IOKit " + std::to_string(smcError->kIOReturn()) + "）";
    case Kind::invalidDataSize:
        return "控制键 " + key + " 需要 " + std::to_string(smcError->expected()) + " 字节，实际为 " +
               std::to_string(smcError->actual()) + " 字节";
    case Kind::invalidStringData:
        return "控制键 " + key + " 的字符串数据无效";
    case Kind::unknown:
        // No answer at all is no refusal: the SMC's driver went away or hung.
        if (smcError->kIOReturn() == kIOReturnNotResponding || smcError->kIOReturn() == kIOReturnNotOpen) {
            return "SMC 没有响应（IOKit " + std::to_string(smcError->kIOReturn()) + "）";
        }
        return "控制键 " + key + " 被固件拒绝（IOKit " + std::to_string(smcError->kIOReturn()) + "，SMC " +
               std::to_string(unsigned{smcError->smcResult()}) + "）";
    case Kind::notPrivileged:
        return "后台服务没有 SMC 写入权限";
    }
    return error.what();
}

}  // namespace velkora
