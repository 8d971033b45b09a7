#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "Simulator/QueryMessage.h"
#include "Simulator/SMCParamRecord.h"

namespace simulator {

// The readings simmac shares with its clients in memory, so that the reads a
// process repeats every second (the SMC's keys, a registry entry's
// properties, the power sources) cost no round trip, as on a Mac where they
// are calls into the kernel. simmac writes; clients map it read-only (a
// descriptor passed on their connection) and fall back to asking over the
// socket for anything the memory does not hold.
//
// The memory is a header (sharedReadingsHeaderSize bytes) and then the
// content: records one after another, each at an offset that is a multiple of
// 8. A record is its kind (u8), the query operation (u8), the query outcome
// (u8), the length of its name (u8), the length of its body (u32, host
// order), the name, then the body.
//   userClientKeys: name = the service class whose user client answers from
//                   them ("AppleSMC"); body = the keys sorted by code, each
//                   sharedKeyEntrySize bytes: code (u32), type (u32),
//                   size (u8), attributes (u8), two unused bytes, 32 value
//                   bytes
//   queryAnswer:    name = the class name of the query; body = the value in
//                   RegistryValueWriter's form, or the error text, exactly as
//                   simmac would answer the query on the socket
//
// simmac rewrites the content whenever a reading may have changed, before it
// answers the request that changed it, under a sequence number that is odd
// while it writes: a reader copies what it needs and keeps the copy only when
// the number was even and the same before and after. simmac also renews a
// heartbeat (steady clock) every heartbeatInterval: an older one means simmac
// stopped answering.
inline constexpr std::uint32_t sharedReadingsMagic = 0x44524D53;  // "SMRD" in memory
inline constexpr std::uint32_t sharedReadingsVersion = 1;
inline constexpr std::size_t sharedReadingsHeaderSize = 64;
// A battery entry captured from a real Mac is a few kilobytes; a record that
// does not fit is left out and read over the socket.
inline constexpr std::size_t sharedReadingsContentCapacity = 1u << 20;
inline constexpr std::size_t sharedKeyEntrySize = 44;

struct SharedReadingsHeader {
    std::uint32_t magic = 0;
    std::uint32_t version = 0;
    std::atomic<std::uint64_t> sequence{0};
    std::atomic<std::int64_t> heartbeatNanoseconds{0};
    std::atomic<std::uint32_t> contentLength{0};
    std::uint32_t contentCapacity = 0;
};
static_assert(sizeof(SharedReadingsHeader) <= sharedReadingsHeaderSize);
// The header's counters are shared between processes.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free && std::atomic<std::int64_t>::is_always_lock_free &&
              std::atomic<std::uint32_t>::is_always_lock_free);

enum class SharedRecordKind : std::uint8_t {
    userClientKeys = 1,
    queryAnswer = 2,
};

// The content simmac writes, built record by record.
class SharedReadingsContent {
public:
    void clear()
    {
        bytes_.clear();
        recordEnds_.clear();
    }
    // `keys` sorted by code; names longer than 255 bytes are not shared.
    void addUserClientKeys(std::string_view serviceClass, std::span<const smc::KeyView> keys);
    void addQueryAnswer(QueryOperation operation, std::string_view className, QueryOutcome outcome,
                        std::span<const std::uint8_t> body);
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    // The length of the whole records that end within `capacity` bytes.
    std::size_t lengthWithin(std::size_t capacity) const;

private:
    std::uint8_t* addRecord(SharedRecordKind kind, std::uint8_t operation, std::uint8_t outcome,
                            std::string_view name, std::size_t bodyLength);

    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> recordEnds_;
};

// Where a record's body lies within the content.
struct SharedRecordBody {
    std::size_t offset = 0;
    std::size_t length = 0;
    QueryOutcome outcome = QueryOutcome::value;
};

// The record of `kind` (and, for a query answer, `operation`) named `name` in
// `content`, or nothing. Safe on content that is being rewritten: every
// offset is checked against the content's length, so a torn read finds
// nothing or a wrong place, never one outside.
std::optional<SharedRecordBody> findSharedRecord(std::span<const std::uint8_t> content, SharedRecordKind kind,
                                                 QueryOperation operation, std::string_view name);

// The offset within `keys` (a userClientKeys body) of the entry of key
// `code`, or nothing.
std::optional<std::size_t> findSharedKey(std::span<const std::uint8_t> keys, std::uint32_t code);

// The key an entry (sharedKeyEntrySize bytes) describes; its value is a view
// into `entry`.
smc::KeyView sharedKeyOf(std::span<const std::uint8_t> entry);

}  // namespace simulator
