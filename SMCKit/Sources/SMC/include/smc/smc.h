#pragma once

// The SMC user-client layer: plain functions over plain records that talk to
// the System Management Controller through the "AppleSMC" user client. Every
// call but open and close returns the IOKit code and the SMC result byte; both
// zero means success. Safe from several threads on one connection: the only
// shared state, the key-information cache, is guarded by a mutex.

#include <cstddef>
#include <cstdint>

#include "IOKit/IOKitLib.h"

// Four characters of a key or type code, most significant byte first, then NUL.
typedef char UInt32Char_t[5];

struct SMCResult_t {
    kern_return_t kIOReturn;
    std::uint8_t smcResult;
};

struct SMCKeyInfo {
    std::uint32_t dataSize;
    std::uint32_t dataType;
    std::uint8_t dataAttributes;
};

struct SMCKeyValue {
    UInt32Char_t key;
    std::uint32_t dataSize;
    UInt32Char_t dataType;
    std::uint8_t bytes[32];
};

// The record passed to and from the user client (struct method 2), 80 bytes,
// multi-byte fields in host order.
struct SMCParamRecord {
    std::uint32_t key;
    std::uint8_t unused0[24];
    struct {
        std::uint32_t dataSize;
        std::uint32_t dataType;
        std::uint8_t dataAttributes;
    } info;  // its 3 bytes of trailing padding fill offsets 37-39
    std::uint8_t result;
    std::uint8_t unused1;
    std::uint8_t command;
    std::uint8_t padding1;
    std::uint32_t index;
    std::uint8_t bytes[32];
};
static_assert(sizeof(SMCParamRecord) == 80);
static_assert(offsetof(SMCParamRecord, info.dataSize) == 28);
static_assert(offsetof(SMCParamRecord, info.dataType) == 32);
static_assert(offsetof(SMCParamRecord, info.dataAttributes) == 36);
static_assert(offsetof(SMCParamRecord, result) == 40);
static_assert(offsetof(SMCParamRecord, command) == 42);
static_assert(offsetof(SMCParamRecord, index) == 44);
static_assert(offsetof(SMCParamRecord, bytes) == 48);

inline constexpr std::uint32_t kSMCUserClientMethod = 2;

inline constexpr std::uint8_t kSMCCommandReadKey = 5;
inline constexpr std::uint8_t kSMCCommandWriteKey = 6;
inline constexpr std::uint8_t kSMCCommandGetKeyFromIndex = 8;
inline constexpr std::uint8_t kSMCCommandGetKeyInfo = 9;

inline constexpr std::uint8_t kSMCResultSuccess = 0;
// This layer's own code for a missing argument or a cache it cannot create.
inline constexpr std::uint8_t kSMCResultLayerError = 1;
inline constexpr std::uint8_t kSMCResultKeyNotFound = 132;
// This layer's own code for a write whose size or type does not match the key.
inline constexpr std::uint8_t kSMCResultDataTypeMismatch = 140;

kern_return_t SMCOpen(io_connect_t* connection);
kern_return_t SMCClose(io_connect_t connection);
SMCResult_t SMCReadKey(const UInt32Char_t key, SMCKeyValue* value, io_connect_t connection);
SMCResult_t SMCWriteKey(const SMCKeyValue* value, io_connect_t connection);
SMCResult_t SMCGetKeyInfo(std::uint32_t key, SMCKeyInfo* info, io_connect_t connection);
SMCResult_t SMCGetKeyFromIndex(std::uint32_t index, UInt32Char_t key, io_connect_t connection);
void SMCCleanupCache();
