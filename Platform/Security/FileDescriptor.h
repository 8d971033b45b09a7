#pragma once

#include <cstdint>
#include <filesystem>
#include <utility>

namespace platform {

// An open file owned by one object and closed when the object goes, so that
// no failure path of a check leaks a descriptor.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    enum class Links { follow, refuse };

    // A regular file, opened without waiting: a FIFO or a device is refused
    // before it could block the reader or feed it without end. With
    // Links::refuse a symbolic link in the last place is refused too, so a
    // file inside a bundle cannot lead out of it. Throws SecurityError:
    // errSecCSStaticCodeNotFound when nothing is there, errSecCSBadResource
    // for a link or anything but a regular file, errSecCSInternalError for any
    // other failure.
    static FileDescriptor openForReading(const std::filesystem::path& path, Links links = Links::follow);

    int get() const { return descriptor_; }
    bool isOpen() const { return descriptor_ >= 0; }

    // Gives up ownership: the caller closes the descriptor.
    int release() { return std::exchange(descriptor_, -1); }

    // Size of the open file (throws SecurityError on failure).
    std::uint64_t size() const;

private:
    int descriptor_ = -1;
};

}  // namespace platform
