#include "AppIntents/IntentRegistry.h"

#include "AppIntents/ShortcutsEndpoint.h"
#include "IntentServer.h"
#include "Log/Logger.h"

#include <QMetaObject>
#include <QThread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

namespace fs = std::filesystem;

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// The socket folder, made if missing; it must be this user's own folder,
// and nobody else may enter it.
void prepareDirectory(const fs::path& directory)
{
    std::error_code ignored;
    fs::create_directories(directory, ignored);
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0) {
        throw IntentRegistryError(systemError("cannot make the Shortcuts folder " + directory.string()));
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        throw IntentRegistryError("the Shortcuts folder " + directory.string() +
                                  " is not a folder of this user's; leaving it as it is");
    }
    if ((status.st_mode & 0777) != 0700 && ::chmod(directory.c_str(), 0700) != 0) {
        throw IntentRegistryError(systemError("cannot make the Shortcuts folder " + directory.string() + " private"));
    }
}

sockaddr_un socketAddress(const fs::path& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        throw IntentRegistryError("the Shortcuts socket path " + path.string() + " is longer than the " +
                                  std::to_string(sizeof address.sun_path - 1) + " bytes a socket path may have");
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    return address;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor()
    {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return descriptor_; }
    int release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_;
};

// Something at the socket's place is left from an instance that is gone only
// when it is this user's socket and nobody answers on it.
void removeStaleSocket(const fs::path& path, const sockaddr_un& address)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return;
    }
    if (!S_ISSOCK(status.st_mode) || status.st_uid != ::geteuid()) {
        throw IntentRegistryError(path.string() + " holds something that is not this user's socket; leaving it as it is");
    }
    const Descriptor probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe.get() >= 0 &&
        ::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        throw IntentRegistryError("another running instance of the application serves Shortcuts at " + path.string());
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        throw IntentRegistryError(systemError("cannot remove the stale Shortcuts socket " + path.string()));
    }
}

}  // namespace

IntentRegistry::IntentRegistry(AppIntentsCatalogue catalogue, IntentApplication application)
    : socketPath_(ShortcutsEndpoint::socketPath(application.bundleIdentifier))
{
    prepareDirectory(socketPath_.parent_path());
    const sockaddr_un address = socketAddress(socketPath_);
    removeStaleSocket(socketPath_, address);

    Descriptor listening(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listening.get() < 0) {
        throw IntentRegistryError(systemError("cannot make the Shortcuts socket"));
    }
    if (::bind(listening.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw IntentRegistryError(systemError("cannot make the Shortcuts socket " + socketPath_.string()));
    }
    struct stat status {};
    if (::chmod(socketPath_.c_str(), 0600) != 0 || ::stat(socketPath_.c_str(), &status) != 0 ||
        ::listen(listening.get(), maximumRequests) != 0) {
        const std::string problem = systemError("cannot listen on the Shortcuts socket " + socketPath_.string());
        ::unlink(socketPath_.c_str());
        throw IntentRegistryError(problem);
    }
    socketInode_ = status.st_ino;

    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("com.velkora.intents"));
    server_ = new IntentServer(std::move(catalogue), std::move(application));
    server_->moveToThread(thread_.get());
    thread_->start();
    const int descriptor = listening.release();
    QMetaObject::invokeMethod(server_, [server = server_, descriptor, path = socketPath_] {
        if (!server->serve(descriptor)) {
            Logger("shortcuts", "IntentRegistry").error("Cannot serve Shortcuts on %s", path.string());
        }
    });
}

IntentRegistry::~IntentRegistry()
{
    QMetaObject::invokeMethod(server_, [server = server_, thread = thread_.get()] {
        delete server;
        thread->quit();
    });
    thread_->wait();
    // Only the socket this registry made: another instance may have taken the place since.
    struct stat status {};
    if (::lstat(socketPath_.c_str(), &status) == 0 && status.st_ino == socketInode_) {
        ::unlink(socketPath_.c_str());
    }
}

}  // namespace platform
