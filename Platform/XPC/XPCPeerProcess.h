#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

// The process at the other end of an accepted connection, bound to the
// connection as the kernel saw it connect: its identifier and user from the
// socket's peer credentials, a pidfd that stays with that very process (an
// identifier reused after it ends does not fool it), and the executable it
// ran when the connection was accepted. The connection's messages must come
// from that process while it still runs that executable; a forked child that
// kept the socket, a process that later exec'd, or one that took the
// identifier over is not it.
class XPCPeerProcess {
public:
    // Reads the peer of the connected socket. Without a peer process (one in
    // another process namespace shows as 0) or a pidfd for it, the identity
    // stays unbound and every sender is refused.
    explicit XPCPeerProcess(int socketDescriptor);
    ~XPCPeerProcess();

    XPCPeerProcess(const XPCPeerProcess&) = delete;
    XPCPeerProcess& operator=(const XPCPeerProcess&) = delete;

    pid_t processIdentifier() const { return pid_; }
    uid_t effectiveUserIdentifier() const { return uid_; }
    // Readable once the process has ended; -1 when unbound.
    int processHandle() const { return pidfd_; }
    // Why the identity could not be bound, if it could not.
    const std::optional<std::string>& bindingProblem() const { return bindingProblem_; }

    // Nothing when bytes from `sender` may count as the peer's; otherwise why
    // not. Also checks that the peer still runs and still runs the executable
    // it ran at accept.
    std::optional<std::string> problemWithSender(pid_t sender) const;
    // The same without a sender: whether the peer is still what it was.
    std::optional<std::string> problemWithPeer() const;

private:
    pid_t pid_ = 0;
    uid_t uid_ = static_cast<uid_t>(-1);
    int pidfd_ = -1;
    dev_t executableDevice_ = 0;
    ino_t executableInode_ = 0;
    std::optional<std::string> bindingProblem_;
};

}  // namespace platform
