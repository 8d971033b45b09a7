// Feeds arbitrary bytes to the decoders of the documents a peer can send us.
// Every input must end in a value or a DecodingError; a decoded value must
// encode again and read back as the same value (times to the microsecond).
// Anything else (a crash, a sanitizer report, another exception) is a finding.

#include <VelkoraCore/IPC.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <span>

namespace {

using namespace velkora;

[[noreturn]] void finding(const char* what)
{
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

bool sameApartFromTime(PowerSnapshot a, PowerSnapshot b)
{
    const auto apart = a.battery.timestamp - b.battery.timestamp;
    if (apart > std::chrono::microseconds(1) || apart < -std::chrono::microseconds(1)) {
        return false;
    }
    a.battery.timestamp = b.battery.timestamp;
    return a == b;
}

template <typename T>
void check(std::span<const std::uint8_t> input)
{
    T value;
    try {
        value = IPC::decode<T>(input);
    } catch (const DecodingError&) {
        return;
    }
    std::vector<std::uint8_t> encoded;
    try {
        encoded = IPC::encode(value);
    } catch (const EncodingError&) {
        finding("a decoded value cannot be encoded");
    }
    T again;
    try {
        again = IPC::decode<T>(encoded);
    } catch (const DecodingError&) {
        finding("an encoded value cannot be decoded");
    }
    if constexpr (std::is_same_v<T, PowerSnapshot>) {
        if (!sameApartFromTime(value, again)) {
            finding("a snapshot changed in a round trip");
        }
    } else if (!(value == again)) {
        finding("a value changed in a round trip");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    check<ControlCommand>(input);
    check<ChargePolicy>(input);
    check<PowerSnapshot>(input);
    return 0;
}
