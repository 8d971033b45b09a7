#include "DaemonStore.h"

#include "FileDescriptor.h"

#include <VelkoraCore/IPC.h>
#include <VelkoraCore/StoredFile.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <Foundation/SimulatedRoot.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace velkora {

namespace {

constexpr const char* applicationSupportFolder = "Library/Application Support/Velkora";
constexpr const char* policyFileName = "policy.json";
// Temporaries sit beside the file, hidden, so that the rename never crosses a file system.
constexpr std::string_view temporaryPrefix = ".policy.json.";
// A policy's JSON is a few hundred bytes.
constexpr std::size_t maximumPolicySize = 64 * 1024;

std::system_error saveError(int code, const std::string& step)
{
    return std::system_error(code, std::generic_category(), "Cannot save the charge policy: " + step);
}

}  // namespace

DaemonStore::DaemonStore(uid_t effectiveUserIdentifier)
    : directoryURL_(effectiveUserIdentifier == 0
                        ? platform::SimulatedRoot::resolve(std::string("/") + applicationSupportFolder)
                        : platform::SimulatedRoot::homeDirectory() / applicationSupportFolder),
      policyURL_(directoryURL_ / policyFileName),
      logger_(std::string(IPC::machServiceName), "DaemonStore")
{
    std::error_code ignored;
    std::filesystem::create_directories(directoryURL_, ignored);
    removeAbandonedTemporaries();
}

// A daemon killed in the middle of a save leaves its temporary behind; the
// next start clears it away.
void DaemonStore::removeAbandonedTemporaries() const
{
    std::error_code error;
    std::filesystem::directory_iterator entries(directoryURL_, error);
    if (error) {
        return;
    }
    for (const auto& entry : entries) {
        if (entry.path().filename().string().starts_with(temporaryPrefix)) {
            std::filesystem::remove(entry.path(), error);
        }
    }
}

ChargePolicy DaemonStore::loadPolicy() const
{
    const StoredFile::Reading reading = StoredFile::read(policyURL_, maximumPolicySize);
    if (!reading.bytes) {
        if (reading.problem) {
            keepUnusableFileAside(*reading.problem);
        }
        return ChargePolicy::defaultPolicy();
    }
    try {
        ChargePolicy policy = IPC::decode<ChargePolicy>(*reading.bytes);
        policy.normalize();
        return policy;
    } catch (const DecodingError& error) {
        keepUnusableFileAside("it does not hold a charge policy: " + std::string(error.what()));
        return ChargePolicy::defaultPolicy();
    }
}

// The next save would replace the file: what the user had stays beside it.
void DaemonStore::keepUnusableFileAside(const std::string& problem) const
{
    try {
        const std::filesystem::path aside = StoredFile::keepAside(policyURL_, std::chrono::system_clock::now());
        logger_.error("Cannot use \"%s\": %s; using the default policy, the file is kept as \"%s\"",
                      policyURL_.string(), problem, aside.string());
    } catch (const std::system_error& error) {
        logger_.error("Cannot use \"%s\": %s; using the default policy. %s", policyURL_.string(), problem,
                      error.what());
    }
}

void DaemonStore::savePolicy(ChargePolicy policy) const
{
    policy.normalize();
    writeAtomically(IPC::encode(policy));
}

void DaemonStore::writeAtomically(const std::vector<std::uint8_t>& bytes) const
{
    std::random_device entropy;
    std::filesystem::path temporary;
    int descriptor = -1;
    for (int attempt = 0; attempt < 8 && descriptor < 0; ++attempt) {
        temporary = directoryURL_ / (std::string(temporaryPrefix) + std::to_string(getpid()) + "." +
                                     std::to_string(entropy()));
        // 0666 less the umask, as for any file the daemon's user creates.
        descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            break;
        }
    }
    if (descriptor < 0) {
        throw saveError(errno, "cannot create a file in \"" + directoryURL_.string() + "\"");
    }
    FileDescriptor file(descriptor);
    const auto discard = [&](int code, const std::string& step) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return saveError(code, step);
    };

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(file.get(), bytes.data() + written, bytes.size() - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw discard(errno, "cannot write \"" + temporary.string() + "\"");
        }
        written += static_cast<std::size_t>(count);
    }
    if (::fsync(file.get()) != 0) {
        throw discard(errno, "cannot flush \"" + temporary.string() + "\" to disk");
    }
    if (file.close() != 0) {
        throw discard(errno, "cannot close \"" + temporary.string() + "\"");
    }
    if (::rename(temporary.c_str(), policyURL_.c_str()) != 0) {
        throw discard(errno, "cannot replace \"" + policyURL_.string() + "\"");
    }
    // The rename itself is durable only once the folder is.
    FileDescriptor folder(::open(directoryURL_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0) {
        throw saveError(errno, "cannot flush \"" + directoryURL_.string() + "\" to disk");
    }
}

}  // namespace velkora
