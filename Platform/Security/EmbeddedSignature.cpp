#include "EmbeddedSignature.h"

#include "FileDescriptor.h"
#include "Security/SecurityError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace platform {

namespace {

constexpr std::string_view marker = "VelkoraCodeSign1";
constexpr size_t lengthSize = 8;
constexpr size_t trailerSize = lengthSize + marker.size();

[[noreturn]] void failIo(const std::string& what)
{
    throw SecurityError(errSecCSInternalError, what + ": " + std::strerror(errno));
}

void readExactly(int descriptor, void* buffer, size_t size, std::uint64_t offset,
                 const std::filesystem::path& nameForErrors)
{
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(descriptor, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            failIo("cannot read " + nameForErrors.string());
        }
        if (got == 0) {
            throw SecurityError(errSecCSInternalError, nameForErrors.string() + " ended early");
        }
        done += static_cast<size_t>(got);
    }
}

void writeAll(int descriptor, const void* buffer, size_t size, const std::filesystem::path& nameForErrors)
{
    const auto* bytes = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, bytes + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            failIo("cannot write " + nameForErrors.string());
        }
        done += static_cast<size_t>(written);
    }
}

}  // namespace

EmbeddedSignature::Layout EmbeddedSignature::read(int descriptor, const std::filesystem::path& nameForErrors)
{
    struct stat status {};
    if (fstat(descriptor, &status) != 0) {
        failIo("cannot inspect " + nameForErrors.string());
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    Layout layout{size, std::nullopt};
    if (size < trailerSize) {
        return layout;
    }
    std::array<std::uint8_t, trailerSize> trailer{};
    readExactly(descriptor, trailer.data(), trailer.size(), size - trailerSize, nameForErrors);
    if (std::memcmp(trailer.data() + lengthSize, marker.data(), marker.size()) != 0) {
        return layout;
    }
    std::uint64_t recordLength = 0;
    for (size_t index = 0; index < lengthSize; ++index) {
        recordLength = recordLength << 8 | trailer[index];
    }
    if (recordLength > size - trailerSize || recordLength > (std::uint64_t{16} << 20)) {
        throw SecurityError(errSecCSSignatureFailed,
                            "the embedded signature of " + nameForErrors.string() + " has an impossible length");
    }
    layout.codeLength = size - trailerSize - recordLength;
    layout.record = std::string(static_cast<size_t>(recordLength), '\0');
    readExactly(descriptor, layout.record->data(), layout.record->size(), layout.codeLength, nameForErrors);
    return layout;
}

void EmbeddedSignature::write(const std::filesystem::path& path, std::uint64_t codeLength, const std::string& record)
{
    const FileDescriptor source = FileDescriptor::openForReading(path);
    struct stat status {};
    if (fstat(source.get(), &status) != 0) {
        failIo("cannot inspect " + path.string());
    }
    const std::filesystem::path temporary = path.string() + ".signing";
    const FileDescriptor target(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!target.isOpen()) {
        failIo("cannot create " + temporary.string());
    }
    try {
        std::vector<char> buffer(1 << 18);
        for (std::uint64_t offset = 0; offset < codeLength;) {
            const size_t chunk = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), codeLength - offset));
            readExactly(source.get(), buffer.data(), chunk, offset, path);
            writeAll(target.get(), buffer.data(), chunk, temporary);
            offset += chunk;
        }
        writeAll(target.get(), record.data(), record.size(), temporary);
        std::array<std::uint8_t, trailerSize> trailer{};
        const auto recordLength = static_cast<std::uint64_t>(record.size());
        for (size_t index = 0; index < lengthSize; ++index) {
            trailer[index] = static_cast<std::uint8_t>(recordLength >> (8 * (lengthSize - 1 - index)));
        }
        std::memcpy(trailer.data() + lengthSize, marker.data(), marker.size());
        writeAll(target.get(), trailer.data(), trailer.size(), temporary);
        if (fchmod(target.get(), status.st_mode & 07777) != 0 || fsync(target.get()) != 0) {
            failIo("cannot finish " + temporary.string());
        }
        if (rename(temporary.c_str(), path.c_str()) != 0) {
            failIo("cannot replace " + path.string());
        }
    } catch (...) {
        unlink(temporary.c_str());
        throw;
    }
}

}  // namespace platform
