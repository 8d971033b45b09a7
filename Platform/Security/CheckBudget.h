#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// What one check of code may spend: time, bytes hashed and files looked at.
// The files under check may belong to whoever asks for the check, so without
// a bound a huge bundle or an endless file would hold the checker for as long
// as its owner likes. Throws SecurityError (errSecCSInternalError) naming the
// bound that was passed.
class CheckBudget {
public:
    // Far above a real bundle (the application's is about 100 MB in about a
    // hundred files, checked in well under a second).
    static constexpr std::chrono::seconds defaultTimeLimit{10};
    static constexpr std::uint64_t defaultByteLimit = std::uint64_t{1} << 30;
    static constexpr std::uint64_t defaultFileLimit = 20'000;

    CheckBudget(std::chrono::steady_clock::duration timeLimit = defaultTimeLimit,
                std::uint64_t byteLimit = defaultByteLimit, std::uint64_t fileLimit = defaultFileLimit);

    // Before hashing `count` bytes of `what`.
    void spendBytes(std::uint64_t count, const std::string& what);
    // Before looking at one more file.
    void spendFile();
    // Between steps of work.
    void checkTime() const;

private:
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::duration timeLimit_;
    std::uint64_t bytesLeft_;
    std::uint64_t byteLimit_;
    std::uint64_t filesLeft_;
    std::uint64_t fileLimit_;
};

}  // namespace platform
