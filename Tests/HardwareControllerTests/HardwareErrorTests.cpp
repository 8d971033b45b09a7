#include "HardwareError.h"

#include <SMCKit/SMCError.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace velkora {
namespace {

using smckit::SMCError;

TEST(HardwareErrorTests, DescriptionsAreTheUsersTextsByteForByte)
{
    struct Case {
        HardwareError error;
        HardwareError::Kind kind;
        std::string description;
    };
    const std::vector<Case> cases{
        {HardwareError::unsupported("此机型不支持主动放电"), HardwareError::Kind::unsupported, "此机型不支持主动放电"},
        {HardwareError::commandFailed("pmset: bad mode\n"), HardwareError::Kind::commandFailed, "pmset: bad mode\n"},
        {HardwareError::commandFailed(""), HardwareError::Kind::commandFailed, ""},
        {HardwareError::smcWriteFailed("CH0I", "01", "后台服务没有 SMC 写入权限"), HardwareError::Kind::smcWriteFailed,
         "无法写入 SMC 控制键 CH0I=01：后台服务没有 SMC 写入权限"},
        {HardwareError::controlValueMismatch("bfD0", "ui32", 4, 1), HardwareError::Kind::controlValueMismatch,
         "SMC 控制键 bfD0（ui32）需要 4 字节，实际为 1 字节"},
        {HardwareError::unsupportedControlType("CH0B", "flt ", 4), HardwareError::Kind::unsupportedControlType,
         "暂不支持 SMC 控制键 CH0B 的数据类型 flt （4 字节）"},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(item.error.kind(), item.kind) << item.description;
        EXPECT_EQ(item.error.errorDescription(), item.description);
        EXPECT_STREQ(item.error.what(), item.description.c_str());
    }
}

TEST(HardwareErrorTests, SMCErrorsBecomeCauseTexts)
{
    struct Case {
        SMCError error;
        std::string cause;
    };
    const std::vector<Case> cases{
        {SMCError::keyNotFound("CH0B"), "未找到控制键 CH0B"},
        {SMCError::dataTypeMismatch("CHTE"), "控制键 CHTE 的数据类型不匹配"},
        // IOKit codes have the top bit set and read as negative numbers.
        {SMCError::connectionFailed(static_cast<kern_return_t>(0xE00002C0)), "无法连接 SMC（IOKit -536870208）"},
        {SMCError::invalidDataSize("bfD0", 4, 3), "控制键 bfD0 需要 4 字节，实际为 3 字节"},
        {SMCError::invalidStringData("RPlt"), "控制键 RPlt 的字符串数据无效"},
        {SMCError::unknown("CH0I", 0, 134), "控制键 CH0I 被固件拒绝（IOKit 0，SMC 134）"},
        {SMCError::unknown("CH0C", static_cast<kern_return_t>(0xE00002BC), 255),
         "控制键 CH0C 被固件拒绝（IOKit -536870212，SMC 255）"},
        {SMCError::notPrivileged(), "后台服务没有 SMC 写入权限"},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(describeSMCError(item.error), item.cause);
    }
    EXPECT_EQ(describeSMCError(std::runtime_error("connection reset")), "connection reset");
}

}  // namespace
}  // namespace velkora
