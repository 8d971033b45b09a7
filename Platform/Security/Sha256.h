#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

struct evp_md_ctx_st;

namespace platform {

class CheckBudget;

// Incremental SHA-256, the digest every seal and signature is made over.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::span<const std::uint8_t> bytes);
    Digest finish();

    static Digest of(std::span<const std::uint8_t> bytes);

    // The digest of the first `length` bytes readable from `descriptor`,
    // read from offset 0 without moving the descriptor's position. Throws
    // SecurityError when the file is shorter or cannot be read, or when the
    // bytes do not fit in `budget` (none: no bound).
    static Digest ofDescriptor(int descriptor, std::uint64_t length, const std::filesystem::path& nameForErrors,
                               CheckBudget* budget = nullptr);

    // The digest of a whole regular file; a symbolic link in the last place
    // is refused unless `followLink`.
    static Digest ofFile(const std::filesystem::path& path, CheckBudget* budget = nullptr, bool followLink = true);

private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> context_;
};

}  // namespace platform
