#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "SMCKit/DataType.h"
#include "SMCKit/KeyCode.h"
#include "SMCKit/SMCCodable.h"
#include "SMCKit/SMCError.h"
#include "smc/smc.h"

namespace smckit {

// Typed access to the SMC over one connection to the "AppleSMC" user client.
// Every operation throws SMCError on failure and is safe from any thread: each
// call works on its own records, and the connection changes only when
// reopen() replaces one that stopped answering.
class SMCKit {
public:
    // The process's one connection, opened on first use. When it cannot be
    // opened the process goes on, and every operation of the shared instance
    // throws connectionFailed with the code the opening returned.
    static SMCKit& shared();

    // Opens a connection of its own; throws connectionFailed when that fails.
    SMCKit();
    // Closes the connection.
    ~SMCKit();
    SMCKit(const SMCKit&) = delete;
    SMCKit& operator=(const SMCKit&) = delete;

    DataType getKeyInformation(KeyCode key) const;
    // False for a key the SMC does not know; other failures throw.
    bool isKeyFound(KeyCode key) const;

    // The key's value block decoded as T; the key's own type is not compared
    // with T's: the caller picks T to fit the key.
    template <SMCCodable T>
    T read(KeyCode key) const
    {
        return SMCCoding<T>::decode(readBlock(key));
    }

    // Writes `value` with T's data type; a key of another size or type fails
    // with dataTypeMismatch before anything reaches the SMC.
    template <SMCCodable T>
    void write(KeyCode key, const T& value) const
    {
        writeBlock(key, SMCCoding<T>::smcDataType, SMCCoding<T>::encode(value));
    }

    // The key's bytes (as many as its size, at most 32).
    std::vector<std::uint8_t> readData(KeyCode key) const;
    // The key's bytes up to the first zero byte, as ASCII text.
    std::string readString(KeyCode key) const;
    // Writes exactly the key's size of raw bytes to a "hex_" key.
    void writeData(KeyCode key, std::span<const std::uint8_t> data) const;
    // Writes ASCII text to a "ch8*" key, zero-padded to the key's size.
    void writeString(KeyCode key, std::string_view text) const;

    // Whether the connection is gone: it never opened, or a call found the
    // user client not responding or no longer open (the SMC's driver went
    // away or hung). Every call fails until reopen() succeeds.
    bool needsReopening() const;
    // Opens the user client again; on success the new connection replaces
    // the old one, which is closed. Returns whether it worked.
    bool reopen();

    // The number of keys ("#KEY").
    std::uint32_t numKeys() const;
    // Every key, in the SMC's order.
    std::vector<std::uint32_t> allKeys() const;

private:
    struct Unopened {
        kern_return_t code;
    };
    explicit SMCKit(Unopened failure);

    void ensureOpen() const;
    void check(const SMCResult_t& result, const std::string& key) const;
    SMCKeyValue readValue(KeyCode key) const;
    SMCBytes readBlock(KeyCode key) const;
    void writeBlock(KeyCode key, DataType dataType, const SMCBytes& bytes) const;

    std::atomic<io_connect_t> connection_{IO_OBJECT_NULL};
    std::atomic<kern_return_t> openResult_{kIOReturnSuccess};
    mutable std::atomic<bool> lost_{false};
};

}  // namespace smckit
