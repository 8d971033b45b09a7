#pragma once

#include <unistd.h>

#include <utility>

namespace velkora {

// An open descriptor owned by one object and closed when the object goes, so
// that no failure path leaks it.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return descriptor_; }

    // Closes now; the result reports a write the kernel could not complete.
    // 0 when nothing is open.
    int close() { return descriptor_ < 0 ? 0 : ::close(std::exchange(descriptor_, -1)); }

private:
    int descriptor_;
};

}  // namespace velkora
