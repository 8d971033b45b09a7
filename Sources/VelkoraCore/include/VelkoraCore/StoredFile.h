#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velkora {

// A small file that holds state between runs, read with care: whatever
// stands at its name may be a folder, a pipe that nobody writes, a link to a
// device that never ends, or megabytes of junk, and a process that reads it
// must neither hang, nor grow, nor fail. What cannot be used is kept aside
// under another name, so that the next save does not destroy what is left of
// the user's data.
class StoredFile {
public:
    struct Reading {
        // The whole file; unset when there was none or it could not be read.
        std::optional<std::vector<std::uint8_t>> bytes;
        // Why what stands at the path could not be read, if it could not;
        // unset when nothing is there at all.
        std::optional<std::string> problem;
    };

    // Reads the regular file at `path`, of at most `maximumSize` bytes,
    // without following a symbolic link and without waiting on a pipe or
    // a device. Never throws.
    static Reading read(const std::filesystem::path& path, std::size_t maximumSize);

    // Renames what stands at `path` to "<name>.unreadable-<UTC time>" beside
    // it (for example "policy.json.unreadable-20260611T084502Z", a number
    // added when that name is taken) and returns the new path. Throws
    // std::system_error naming the file when it cannot be renamed.
    static std::filesystem::path keepAside(const std::filesystem::path& path,
                                           std::chrono::system_clock::time_point now);
};

}  // namespace velkora
