#include "FileDescriptor.h"

#include "Security/SecurityError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

FileDescriptor::~FileDescriptor()
{
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

FileDescriptor FileDescriptor::openForReading(const std::filesystem::path& path)
{
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            throw SecurityError(errSecCSStaticCodeNotFound, "there is no file at " + path.string());
        }
        throw SecurityError(errSecCSInternalError, "cannot open " + path.string() + ": " + std::strerror(error));
    }
    return FileDescriptor(descriptor);
}

std::uint64_t FileDescriptor::size() const
{
    struct stat status {};
    if (fstat(descriptor_, &status) != 0) {
        throw SecurityError(errSecCSInternalError, std::string("cannot inspect an open file: ") + std::strerror(errno));
    }
    return static_cast<std::uint64_t>(status.st_size);
}

}  // namespace platform
