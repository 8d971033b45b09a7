#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// A lone executable carries its signature record after its last byte:
// the record, its length (8 bytes, big-endian) and a 16-byte marker. The
// loader ignores bytes past the program's segments, so a signed program runs
// unchanged; the code digest covers everything before the record.
class EmbeddedSignature {
public:
    struct Layout {
        std::uint64_t codeLength = 0;
        std::optional<std::string> record;
    };

    // Throws SecurityError: errSecCSSignatureFailed when the marker is there
    // but the length is impossible, errSecCSInternalError when unreadable.
    static Layout read(int descriptor, const std::filesystem::path& nameForErrors);

    // Keeps the first `codeLength` bytes of the file at `path`, appends
    // `record`, and puts the result in place in one rename, with the file's
    // permissions. Throws SecurityError (errSecCSInternalError).
    static void write(const std::filesystem::path& path, std::uint64_t codeLength, const std::string& record);
};

}  // namespace platform
