#include "XPCConnectionCore.h"

#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "XPC/NSXPCError.h"
#include "XPC/NSXPCListener.h"

namespace platform {

std::shared_ptr<XPCConnectionCore> XPCConnectionCore::makeClient(std::string serviceName)
{
    std::shared_ptr<XPCConnectionCore> core(
        new XPCConnectionCore(Role::client, std::move(serviceName), defaultIncompleteFrameTimeout, nullptr));
    core->start();
    return core;
}

std::shared_ptr<XPCConnectionCore> XPCConnectionCore::makeAccepted(std::string serviceName, int socketDescriptor,
                                                                   std::unique_ptr<XPCPeerProcess> peer,
                                                                   std::chrono::milliseconds incompleteFrameTimeout,
                                                                   std::shared_ptr<XPCServingContext> context)
{
    std::shared_ptr<XPCConnectionCore> core(
        new XPCConnectionCore(Role::accepted, std::move(serviceName), incompleteFrameTimeout, std::move(context)));
    core->socket_.assign(asio::local::stream_protocol(), socketDescriptor);
    core->peerProcess_.store(peer->processIdentifier());
    core->peerUser_ = peer->effectiveUserIdentifier();
    core->connectedProcess_ = std::move(peer);
    core->start();
    return core;
}

XPCConnectionCore::PeerCredentials XPCConnectionCore::peerCredentials(int socketDescriptor)
{
    PeerCredentials credentials;
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && length == sizeof peer) {
        credentials.processIdentifier = peer.pid;
        credentials.effectiveUserIdentifier = peer.uid;
    }
    return credentials;
}

XPCConnectionCore::XPCConnectionCore(Role role, std::string serviceName,
                                     std::chrono::milliseconds incompleteFrameTimeout,
                                     std::shared_ptr<XPCServingContext> context)
    : role_(role),
      serviceName_(std::move(serviceName)),
      incompleteFrameTimeout_(incompleteFrameTimeout),
      logger_("simmac.xpc", "Connection"),
      servingContext_(std::move(context)),
      ownContext_(servingContext_ ? nullptr : std::make_unique<asio::io_context>()),
      strand_(asio::make_strand(servingContext_ ? servingContext_->io() : *ownContext_)),
      socket_(strand_),
      incompleteFrameTimer_(strand_),
      peerProcessWatch_(strand_),
      readBuffer_(new std::array<std::uint8_t, 16 * 1024>)
{
}

void XPCConnectionCore::start()
{
    if (!ownContext_) {
        return;
    }
    workGuard_.emplace(ownContext_->get_executor());
    // The thread keeps the core alive for as long as it serves it.
    thread_ = std::thread([self = shared_from_this()] { self->ownContext_->run(); });
}

XPCConnectionCore::~XPCConnectionCore()
{
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

void XPCConnectionCore::setRemoteObjectInterface(NSXPCInterface interface)
{
    auto shared = std::make_shared<const NSXPCInterface>(std::move(interface));
    std::lock_guard lock(configMutex_);
    remoteInterface_ = std::move(shared);
}

void XPCConnectionCore::setExportedInterface(NSXPCInterface interface)
{
    auto shared = std::make_shared<const NSXPCInterface>(std::move(interface));
    std::lock_guard lock(configMutex_);
    exportedInterface_ = std::move(shared);
}

void XPCConnectionCore::setExportedObject(std::shared_ptr<NSXPCExportedObject> object)
{
    std::unique_lock lock(configMutex_);
    std::swap(exportedObject_, object);
    lock.unlock();
}

void XPCConnectionCore::setInterruptionHandler(std::function<void()> handler)
{
    std::unique_lock lock(configMutex_);
    std::swap(interruptionHandler_, handler);
    lock.unlock();
}

void XPCConnectionCore::setInvalidationHandler(std::function<void()> handler)
{
    std::unique_lock lock(configMutex_);
    std::swap(invalidationHandler_, handler);
    lock.unlock();
}

void XPCConnectionCore::setClosedAction(std::function<void()> action)
{
    std::lock_guard lock(configMutex_);
    closedAction_ = std::move(action);
}

void XPCConnectionCore::resume()
{
    asio::post(strand_, [this, self = shared_from_this()] {
        if (resumed_ || invalidated_) {
            return;
        }
        resumed_ = true;
        if (role_ == Role::accepted) {
            if (const std::optional<std::string> problem = problemBeforeGreeting()) {
                protocolViolation(*problem);
                return;
            }
            greetClient();
            watchPeerProcess();
            readMore();
        }
        std::vector<Message> waiting = std::move(parked_);
        parked_.clear();
        for (Message& message : waiting) {
            deliver(std::move(message));
        }
    });
}

void XPCConnectionCore::invalidate()
{
    invalidationRequested_ = true;
    asio::post(strand_, [this, self = shared_from_this()] { invalidateNow("invalidate() was called"); });
}

void XPCConnectionCore::sendMessage(const std::string& selector, std::optional<std::vector<std::uint8_t>> argument,
                                    NSXPCReplyHandler reply, NSXPCErrorHandler error)
{
    std::shared_ptr<const NSXPCInterface> interface;
    {
        std::lock_guard lock(configMutex_);
        interface = remoteInterface_;
    }
    if (!interface) {
        throw std::logic_error("No remote object interface was set on the connection to " + serviceName_);
    }
    const NSXPCMethod* method = interface->method(selector);
    if (method == nullptr) {
        throw std::invalid_argument("Protocol " + interface->protocolName() + " has no selector " + selector);
    }
    if (argument.has_value() != (method->argument == NSXPCArgument::data)) {
        throw std::invalid_argument("Selector " + selector + (argument ? " takes no data" : " needs a data argument"));
    }
    Message message{selector, method->reply, std::move(argument), std::move(reply), std::move(error)};
    asio::post(strand_, [this, self = shared_from_this(), message = std::move(message)]() mutable { deliver(std::move(message)); });
}

void XPCConnectionCore::perform(std::function<void()> work)
{
    asio::post(strand_, std::move(work));
}

void XPCConnectionCore::shutdown()
{
    asio::post(strand_, [this, self = shared_from_this()] {
        invalidateNow("the connection was released");
        workGuard_.reset();
    });
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

XPCConnectionCore::PeerCredentials XPCConnectionCore::peer() const
{
    return PeerCredentials{peerProcess_.load(), peerUser_.load()};
}

// Sending.

void XPCConnectionCore::deliver(Message message)
{
    if (invalidated_) {
        fail(message, invalidError());
        return;
    }
    if (!resumed_) {
        parked_.push_back(std::move(message));
        return;
    }
    if (!socket_.is_open()) {
        if (auto problem = connect()) {
            // The message fails together with the connection, as one for a service that does not exist.
            parked_.push_back(std::move(message));
            invalidateNow(*problem);
            return;
        }
    }
    if (role_ == Role::client && !greeted_) {
        parked_.push_back(std::move(message));
        return;
    }
    XPCFrame frame{XPCFrameKind::request, lastRequestId_ + 1, message.selector, std::move(message.argument), {}};
    if (frame.bodySize() > XPCFrame::maximumBodySize) {
        fail(message, replyInvalidError(message.selector, "the message of " + std::to_string(frame.bodySize()) +
                                                              " bytes exceeds the limit of " +
                                                              std::to_string(XPCFrame::maximumBodySize) + " bytes"));
        return;
    }
    lastRequestId_ = frame.requestId;
    enqueue(frame);
    pending_.emplace(frame.requestId, std::move(message));
}

std::optional<std::string> XPCConnectionCore::connect()
{
    if (role_ == Role::accepted) {
        return std::string("the peer closed the connection");
    }
    std::filesystem::path path;
    asio::local::stream_protocol::endpoint endpoint;
    try {
        path = NSXPCListener::socketPathForMachService(serviceName_);
        endpoint = asio::local::stream_protocol::endpoint(path.string());
    } catch (const std::exception& problem) {
        return "its socket path cannot be used: " + std::string(problem.what());
    }
    std::error_code error;
    socket_.connect(endpoint, error);
    if (error) {
        std::error_code ignored;
        socket_.close(ignored);
        return "cannot connect to " + path.string() + ": " + error.message();
    }
    const PeerCredentials credentials = peerCredentials(socket_.native_handle());
    peerProcess_ = credentials.processIdentifier;
    peerUser_ = credentials.effectiveUserIdentifier;
    readMore();
    return std::nullopt;
}

void XPCConnectionCore::enqueue(const XPCFrame& frame)
{
    frame.appendEncoded(outbox_);
    if (!writing_) {
        writeOutbox();
    }
}

void XPCConnectionCore::writeOutbox()
{
    writing_ = true;
    inflight_.clear();
    std::swap(inflight_, outbox_);
    asio::async_write(socket_, asio::buffer(inflight_),
                      [this, self = shared_from_this(), epoch = epoch_](const std::error_code& error, std::size_t) {
                          if (epoch != epoch_) {
                              return;
                          }
                          writing_ = false;
                          if (error) {
                              peerGone("writing failed: " + error.message());
                          } else if (!outbox_.empty()) {
                              writeOutbox();
                          }
                      });
}

// Receiving.

void XPCConnectionCore::readMore()
{
    if (role_ == Role::accepted) {
        socket_.async_wait(asio::socket_base::wait_read,
                           [this, self = shared_from_this(), epoch = epoch_](const std::error_code& error) {
                               if (epoch != epoch_) {
                                   return;
                               }
                               if (error) {
                                   peerGone(error.message());
                                   return;
                               }
                               receiveFromPeer(epoch);
                           });
        return;
    }
    socket_.async_read_some(asio::buffer(*readBuffer_),
                            [this, self = shared_from_this(), epoch = epoch_](const std::error_code& error, std::size_t count) {
                                onRead(epoch, error, count);
                            });
}

void XPCConnectionCore::onRead(std::uint64_t epoch, const std::error_code& error, std::size_t count)
{
    if (epoch != epoch_) {
        return;
    }
    if (error) {
        if (error == asio::error::eof && reader_.hasPartialFrame()) {
            protocolViolation("the peer closed the connection in the middle of a frame");
        } else {
            peerGone(error == asio::error::eof ? "the peer closed the connection" : error.message());
        }
        return;
    }
    if (consume(epoch, count)) {
        readMore();
    }
}

// With SO_PASSCRED on the socket the kernel hands out the bytes of one
// writer per call, with that writer's process identifier.
void XPCConnectionCore::receiveFromPeer(std::uint64_t epoch)
{
    for (;;) {
        iovec buffer{readBuffer_->data(), readBuffer_->size()};
        alignas(cmsghdr) std::uint8_t control[CMSG_SPACE(sizeof(ucred))];
        msghdr message{};
        message.msg_iov = &buffer;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t received =
            ::recvmsg(socket_.native_handle(), &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            peerGone(std::strerror(errno));
            return;
        }
        if (received == 0) {
            onRead(epoch, asio::error::eof, 0);
            return;
        }
        std::optional<pid_t> sender;
        bool passedDescriptors = false;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_CREDENTIALS &&
                header->cmsg_len == CMSG_LEN(sizeof(ucred))) {
                ucred credentials{};
                std::memcpy(&credentials, CMSG_DATA(header), sizeof credentials);
                sender = credentials.pid;
            } else if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_RIGHTS) {
                passedDescriptors = true;
                const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
                for (std::size_t index = 0; index < count; ++index) {
                    int descriptor = -1;
                    std::memcpy(&descriptor, CMSG_DATA(header) + index * sizeof(int), sizeof descriptor);
                    ::close(descriptor);
                }
            }
        }
        if (passedDescriptors || (message.msg_flags & MSG_CTRUNC) != 0) {
            protocolViolation("the client passed file descriptors");
            return;
        }
        if (!sender) {
            protocolViolation("bytes came without their sender's credentials");
            return;
        }
        if (const std::optional<std::string> problem = connectedProcess_->problemWithSender(*sender)) {
            protocolViolation(*problem);
            return;
        }
        if (!consume(epoch, static_cast<std::size_t>(received))) {
            return;
        }
    }
    readMore();
}

bool XPCConnectionCore::consume(std::uint64_t epoch, std::size_t count)
{
    reader_.append(readBuffer_->data(), count);
    bool madeProgress = false;
    for (;;) {
        XPCFrameReader::Result result = reader_.next();
        if (result.status == XPCFrameReader::Status::needMore) {
            break;
        }
        if (result.status == XPCFrameReader::Status::invalid) {
            protocolViolation(result.problem);
            return false;
        }
        madeProgress = true;
        handleFrame(std::move(result.frame));
        if (epoch != epoch_) {
            return false;
        }
    }
    watchIncompleteFrame(madeProgress);
    return true;
}

std::optional<std::string> XPCConnectionCore::problemBeforeGreeting()
{
    int waiting = 0;
    if (::ioctl(socket_.native_handle(), FIONREAD, &waiting) != 0) {
        return "its socket cannot be inspected: " + std::string(std::strerror(errno));
    }
    if (waiting > 0) {
        return "the client sent " + std::to_string(waiting) + " bytes before it was greeted";
    }
    return connectedProcess_->problemWithPeer();
}

void XPCConnectionCore::greetClient()
{
    enqueue(XPCFrame{XPCFrameKind::greeting, 0, {}, {}, {}});
}

// The connection is the connecting process's: once it ends, whoever else
// still holds the socket (a forked child) has no connection to use.
void XPCConnectionCore::watchPeerProcess()
{
    const int handle = connectedProcess_->processHandle();
    if (handle < 0) {
        return;
    }
    std::error_code error;
    peerProcessWatch_.assign(::dup(handle), error);
    if (error) {
        protocolViolation("the connecting process cannot be watched: " + error.message());
        return;
    }
    peerProcessWatch_.async_wait(asio::posix::descriptor_base::wait_read,
                                 [this, self = shared_from_this(), epoch = epoch_](const std::error_code& waitError) {
                                     if (waitError || epoch != epoch_) {
                                         return;
                                     }
                                     peerGone("the process that connected has exited");
                                 });
}

void XPCConnectionCore::watchIncompleteFrame(bool madeProgress)
{
    if (!reader_.hasPartialFrame()) {
        if (incompleteFrameTimerArmed_) {
            incompleteFrameTimerArmed_ = false;
            ++incompleteFrameTimerGeneration_;
            incompleteFrameTimer_.cancel();
        }
        return;
    }
    // The deadline runs from the start of the frame that is still incomplete,
    // so a peer trickling one byte at a time does not keep moving it.
    if (incompleteFrameTimerArmed_ && !madeProgress) {
        return;
    }
    incompleteFrameTimerArmed_ = true;
    const std::uint64_t generation = ++incompleteFrameTimerGeneration_;
    incompleteFrameTimer_.expires_after(incompleteFrameTimeout_);
    incompleteFrameTimer_.async_wait([this, self = shared_from_this(), epoch = epoch_, generation](const std::error_code& error) {
        if (error || epoch != epoch_ || generation != incompleteFrameTimerGeneration_) {
            return;
        }
        protocolViolation("a frame stayed incomplete for " + std::to_string(incompleteFrameTimeout_.count()) +
                          " ms");
    });
}

void XPCConnectionCore::handleFrame(XPCFrame frame)
{
    switch (frame.kind) {
    case XPCFrameKind::request:
        handleRequest(std::move(frame));
        return;
    case XPCFrameKind::reply:
    case XPCFrameKind::failure:
        handleReply(std::move(frame));
        return;
    case XPCFrameKind::refused:
        if (role_ == Role::client) {
            invalidateNow("the service refused the connection");
        } else {
            protocolViolation("a client sent a refusal");
        }
        return;
    case XPCFrameKind::greeting:
        if (role_ == Role::client && !greeted_) {
            greeted_ = true;
            std::vector<Message> waiting = std::move(parked_);
            parked_.clear();
            for (Message& message : waiting) {
                deliver(std::move(message));
            }
        } else {
            protocolViolation(role_ == Role::client ? "the service greeted twice" : "a client sent a greeting");
        }
        return;
    }
}

void XPCConnectionCore::handleRequest(XPCFrame frame)
{
    if (role_ == Role::client) {
        protocolViolation("the service sent a request");
        return;
    }
    std::shared_ptr<const NSXPCInterface> interface;
    std::shared_ptr<NSXPCExportedObject> object;
    {
        std::lock_guard lock(configMutex_);
        interface = exportedInterface_;
        object = exportedObject_;
    }
    const NSXPCMethod* method = interface ? interface->method(frame.selector) : nullptr;
    std::string problem;
    if (!object || !interface) {
        problem = "the connection exports no object";
    } else if (method == nullptr) {
        problem = "the exported object does not respond to " + frame.selector;
    } else if (frame.data.has_value() != (method->argument == NSXPCArgument::data)) {
        problem = frame.selector + (frame.data ? " takes no data" : " needs a data argument");
    }
    if (!problem.empty()) {
        enqueue(XPCFrame{XPCFrameKind::failure, frame.requestId, frame.selector, {}, problem});
        return;
    }
    NSXPCReply reply = NSXPCReply::make(weak_from_this(), epoch_, frame.requestId, frame.selector);
    object->dispatch(frame.selector, std::move(frame.data), std::move(reply));
}

void XPCConnectionCore::handleReply(XPCFrame frame)
{
    if (role_ == Role::accepted || !greeted_) {
        protocolViolation(role_ == Role::accepted ? "a client sent a reply" : "a reply came before the greeting");
        return;
    }
    auto found = pending_.find(frame.requestId);
    if (found == pending_.end()) {
        // A reply for a message that has already ended.
        return;
    }
    Message message = std::move(found->second);
    pending_.erase(found);
    if (frame.selector != message.selector) {
        fail(message, replyInvalidError(message.selector, "the reply answers " + frame.selector));
    } else if (frame.kind == XPCFrameKind::failure) {
        fail(message, replyInvalidError(message.selector, *frame.text));
    } else if (message.replyShape == NSXPCReplyShape::text && (!frame.text || frame.data)) {
        fail(message, replyInvalidError(message.selector, "the reply does not carry exactly one text"));
    } else if (message.reply) {
        message.reply(NSXPCReplyValue{std::move(frame.data), std::move(frame.text)});
    }
}

void XPCConnectionCore::answer(std::uint64_t epoch, std::uint64_t requestId, std::string selector,
                               NSXPCReplyValue value)
{
    asio::dispatch(strand_, [this, self = shared_from_this(), epoch, requestId, selector = std::move(selector), value = std::move(value)]() mutable {
        if (epoch != epoch_ || !socket_.is_open()) {
            return;
        }
        XPCFrame frame{XPCFrameKind::reply, requestId, std::move(selector), std::move(value.data),
                       std::move(value.text)};
        if (frame.bodySize() > XPCFrame::maximumBodySize) {
            frame = XPCFrame{XPCFrameKind::failure, requestId, std::move(frame.selector), {},
                             "the reply of " + std::to_string(frame.bodySize()) + " bytes exceeds the limit of " +
                                 std::to_string(XPCFrame::maximumBodySize) + " bytes"};
        }
        enqueue(frame);
    });
}

void XPCConnectionCore::answerFailure(std::uint64_t epoch, std::uint64_t requestId, std::string selector,
                                      std::string problem)
{
    asio::dispatch(strand_, [this, self = shared_from_this(), epoch, requestId, selector = std::move(selector), problem = std::move(problem)]() mutable {
        if (epoch != epoch_ || !socket_.is_open()) {
            return;
        }
        enqueue(XPCFrame{XPCFrameKind::failure, requestId, std::move(selector), {}, std::move(problem)});
    });
}

// Closing.

void XPCConnectionCore::refuse()
{
    const std::vector<std::uint8_t> refusal = XPCFrame{XPCFrameKind::refused, 0, {}, {}, {}}.encoded();
    std::error_code ignored;
    asio::write(socket_, asio::buffer(refusal), ignored);
    invalidateNow("the listener's delegate refused the connection");
}

void XPCConnectionCore::closeSocket()
{
    ++epoch_;
    std::error_code ignored;
    socket_.shutdown(asio::socket_base::shutdown_both, ignored);
    socket_.close(ignored);
    reader_.reset();
    outbox_.clear();
    inflight_.clear();
    writing_ = false;
    greeted_ = false;
    if (peerProcessWatch_.is_open()) {
        peerProcessWatch_.close(ignored);
    }
    if (incompleteFrameTimerArmed_) {
        incompleteFrameTimerArmed_ = false;
        incompleteFrameTimer_.cancel();
    }
}

void XPCConnectionCore::protocolViolation(const std::string& problem)
{
    logger_.error("Closing the XPC connection %s: %s", peerDescription(), problem);
    peerGone(problem);
}

void XPCConnectionCore::peerGone(const std::string& reason)
{
    closeSocket();
    if (role_ == Role::accepted) {
        invalidateNow(reason);
        return;
    }
    std::vector<Message> outstanding = takeOutstanding();
    // Messages that waited for the greeting go with the socket too.
    for (Message& message : parked_) {
        outstanding.push_back(std::move(message));
    }
    parked_.clear();
    const NSError error = interruptedError(reason);
    for (Message& message : outstanding) {
        fail(message, error);
    }
    if (invalidationRequested_) {
        return;
    }
    std::function<void()> handler;
    {
        std::lock_guard lock(configMutex_);
        handler = interruptionHandler_;
    }
    if (handler) {
        handler();
    }
}

void XPCConnectionCore::invalidateNow(const std::string& reason)
{
    if (invalidated_) {
        return;
    }
    invalidated_ = true;
    invalidationReason_ = reason;
    closeSocket();
    std::vector<Message> outstanding = takeOutstanding();
    for (Message& message : parked_) {
        outstanding.push_back(std::move(message));
    }
    parked_.clear();
    const NSError error = invalidError();
    for (Message& message : outstanding) {
        fail(message, error);
    }

    // Letting go of the handlers and the exported object breaks the cycles
    // that a handler capturing its own connection would otherwise make.
    std::function<void()> invalidation;
    std::function<void()> interruption;
    std::function<void()> closed;
    std::shared_ptr<NSXPCExportedObject> object;
    {
        std::lock_guard lock(configMutex_);
        std::swap(invalidation, invalidationHandler_);
        std::swap(interruption, interruptionHandler_);
        std::swap(closed, closedAction_);
        std::swap(object, exportedObject_);
    }
    if (invalidation) {
        invalidation();
    }
    if (closed) {
        closed();
    }
}

std::vector<XPCConnectionCore::Message> XPCConnectionCore::takeOutstanding()
{
    std::vector<std::pair<std::uint64_t, Message>> byId(std::make_move_iterator(pending_.begin()),
                                                        std::make_move_iterator(pending_.end()));
    pending_.clear();
    std::sort(byId.begin(), byId.end(), [](const auto& left, const auto& right) { return left.first < right.first; });
    std::vector<Message> messages;
    messages.reserve(byId.size());
    for (auto& entry : byId) {
        messages.push_back(std::move(entry.second));
    }
    return messages;
}

void XPCConnectionCore::fail(Message& message, const NSError& error)
{
    if (message.error) {
        message.error(error);
    }
}

// Errors.

NSError XPCConnectionCore::interruptedError(const std::string& reason) const
{
    return NSError(NSCocoaErrorDomain, NSXPCConnectionInterrupted,
                   {{NSLocalizedDescriptionKey,
                     "The connection to service \"" + serviceName_ + "\" was interrupted: " + reason + "."}});
}

NSError XPCConnectionCore::invalidError() const
{
    return NSError(NSCocoaErrorDomain, NSXPCConnectionInvalid,
                   {{NSLocalizedDescriptionKey, "The connection to service \"" + serviceName_ +
                                                    "\" was invalidated: " + invalidationReason_ + "."}});
}

NSError XPCConnectionCore::replyInvalidError(const std::string& selector, const std::string& problem) const
{
    return NSError(NSCocoaErrorDomain, NSXPCConnectionReplyInvalid,
                   {{NSLocalizedDescriptionKey, "No valid reply to " + selector + " from service \"" + serviceName_ +
                                                    "\": " + problem + "."}});
}

std::string XPCConnectionCore::peerDescription() const
{
    if (role_ == Role::client) {
        return "to service \"" + serviceName_ + "\"";
    }
    return "from pid " + std::to_string(peerProcess_.load()) + " to service \"" + serviceName_ + "\"";
}

}  // namespace platform
