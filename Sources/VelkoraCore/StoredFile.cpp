#include "VelkoraCore/StoredFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <system_error>

namespace velkora {

namespace {

std::string typeName(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a regular file";
}

class Descriptor {
public:
    explicit Descriptor(int value) : value_(value) {}
    ~Descriptor()
    {
        if (value_ >= 0) {
            ::close(value_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return value_; }

private:
    int value_;
};

}  // namespace

StoredFile::Reading StoredFile::read(const std::filesystem::path& path, std::size_t maximumSize)
{
    Reading reading;
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT) {
            return reading;
        }
        reading.problem = error == ELOOP ? std::string("it is a symbolic link")
                                         : "it cannot be opened: " + std::string(std::strerror(error));
        return reading;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        reading.problem = "it cannot be examined: " + std::string(std::strerror(errno));
        return reading;
    }
    if (!S_ISREG(status.st_mode)) {
        reading.problem = "it is " + typeName(status.st_mode);
        return reading;
    }
    if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maximumSize) {
        reading.problem = "it holds " + std::to_string(status.st_size) + " bytes, more than the " +
                          std::to_string(maximumSize) + " it may";
        return reading;
    }
    // One byte more than allowed tells a file that grew since fstat.
    std::vector<std::uint8_t> bytes(maximumSize + 1);
    std::size_t total = 0;
    while (total < bytes.size()) {
        const ssize_t count = ::read(file.get(), bytes.data() + total, bytes.size() - total);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            reading.problem = "it cannot be read: " + std::string(std::strerror(errno));
            return reading;
        }
        if (count == 0) {
            break;
        }
        total += static_cast<std::size_t>(count);
    }
    if (total > maximumSize) {
        reading.problem = "it grew beyond the " + std::to_string(maximumSize) + " bytes it may hold";
        return reading;
    }
    bytes.resize(total);
    reading.bytes = std::move(bytes);
    return reading;
}

std::filesystem::path StoredFile::keepAside(const std::filesystem::path& path,
                                            std::chrono::system_clock::time_point now)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    const std::string stem = path.filename().string() + ".unreadable-" + stamp;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path aside =
            path.parent_path() / (attempt == 0 ? stem : stem + "-" + std::to_string(attempt));
        // Never replaces an earlier file kept aside.
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            return aside;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    throw std::system_error(errno, std::generic_category(), "Cannot keep \"" + path.string() + "\" aside");
}

}  // namespace velkora
