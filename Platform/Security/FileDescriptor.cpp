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

FileDescriptor FileDescriptor::openForReading(const std::filesystem::path& path, Links links)
{
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (links == Links::refuse ? O_NOFOLLOW : 0);
    FileDescriptor file(open(path.c_str(), flags));
    if (!file.isOpen()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            throw SecurityError(errSecCSStaticCodeNotFound, "there is no file at " + path.string());
        }
        if (error == ELOOP) {
            throw SecurityError(errSecCSBadResource, path.string() + " is a symbolic link");
        }
        throw SecurityError(errSecCSInternalError, "cannot open " + path.string() + ": " + std::strerror(error));
    }
    struct stat status {};
    if (fstat(file.get(), &status) != 0) {
        throw SecurityError(errSecCSInternalError, "cannot inspect " + path.string() + ": " + std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        throw SecurityError(errSecCSBadResource, path.string() + " is not a regular file");
    }
    return file;
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
