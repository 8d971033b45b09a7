#include "XPCPeerProcess.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

// The pidfd of a socket's peer, taken by the kernel at connect time (Linux 6.5).
#ifndef SO_PEERPIDFD
#define SO_PEERPIDFD 77
#endif

namespace platform {

namespace {

std::string executableLink(pid_t pid)
{
    return "/proc/" + std::to_string(pid) + "/exe";
}

int pidfdOfPeer(int socketDescriptor, pid_t pid)
{
    int descriptor = -1;
    socklen_t length = sizeof descriptor;
    if (getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERPIDFD, &descriptor, &length) == 0 && descriptor >= 0) {
        return descriptor;
    }
    // Older kernels: the process with that identifier now, which is the peer
    // unless the peer ended and its identifier was taken over in between.
    // Such a newcomer never gains what the peer sent: nothing sent before the
    // greeting is served.
    const long opened = syscall(SYS_pidfd_open, pid, 0);
    return opened < 0 ? -1 : static_cast<int>(opened);
}

}  // namespace

XPCPeerProcess::XPCPeerProcess(int socketDescriptor)
{
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer) {
        bindingProblem_ = std::string("the peer's credentials cannot be read: ") + std::strerror(errno);
        return;
    }
    pid_ = peer.pid;
    uid_ = peer.uid;
    if (pid_ < 1) {
        bindingProblem_ = "the peer has no process identifier here";
        return;
    }
    pidfd_ = pidfdOfPeer(socketDescriptor, pid_);
    if (pidfd_ < 0) {
        bindingProblem_ = "process " + std::to_string(pid_) + " cannot be held: " + std::strerror(errno);
        return;
    }
    struct stat executable {};
    if (stat(executableLink(pid_).c_str(), &executable) != 0) {
        bindingProblem_ = "the executable of process " + std::to_string(pid_) + " cannot be seen: " +
                          std::strerror(errno);
        return;
    }
    executableDevice_ = executable.st_dev;
    executableInode_ = executable.st_ino;
    if (const auto problem = problemWithPeer()) {
        bindingProblem_ = problem;
    }
}

XPCPeerProcess::~XPCPeerProcess()
{
    if (pidfd_ >= 0) {
        close(pidfd_);
    }
}

std::optional<std::string> XPCPeerProcess::problemWithPeer() const
{
    if (pidfd_ < 0) {
        return bindingProblem_ ? *bindingProblem_ : std::string("the peer process is not known");
    }
    pollfd entry{pidfd_, POLLIN, 0};
    if (poll(&entry, 1, 0) != 0) {
        return "process " + std::to_string(pid_) + ", which connected, has exited";
    }
    struct stat executable {};
    if (stat(executableLink(pid_).c_str(), &executable) != 0 || executable.st_dev != executableDevice_ ||
        executable.st_ino != executableInode_) {
        return "process " + std::to_string(pid_) + " no longer runs the executable it connected with";
    }
    // The pidfd still names a live process, so the identifier was not reused
    // while the executable was looked at.
    if (poll(&entry, 1, 0) != 0) {
        return "process " + std::to_string(pid_) + ", which connected, has exited";
    }
    return std::nullopt;
}

std::optional<std::string> XPCPeerProcess::problemWithSender(pid_t sender) const
{
    if (sender != pid_) {
        return "bytes came from process " + std::to_string(sender) + ", not from process " + std::to_string(pid_) +
               ", which connected";
    }
    return problemWithPeer();
}

}  // namespace platform
